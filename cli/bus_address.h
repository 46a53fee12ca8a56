// The tool's address of a device on a bus driver interface:
// NAME:PRIMARY or NAME,PRIMARY, optionally followed by :SECONDARY or
// ,SECONDARY, for an interface of any name (IEEE0:22, LAN0:22, IEEE0:22:3).
#pragma once

#include "buslink/connection.h"

#include <optional>
#include <string>

struct BusAddress {
    std::string interfaceName;
    int primary;
    int secondary;  // DRV_NO_SECONDARY: none
};

// Whether `c` separates an address's parts (':' or ',').
bool IsAddressSeparator(char c);

// The address's parts, or nothing when the text is not of that form or an
// address is outside 0 to DRV_MAX_ADDRESS.
std::optional<BusAddress> ParseBusAddress(const std::string& text);

// The parts of a tool's address that the MATLAB commands' fixed-offset rule
// would read otherwise: an interface name not of five characters, or a
// secondary address. Nothing for an address of SICL (a lowercase "h" first),
// for one that rule reads as the tool does, and for text of no form, which
// therefore go as busquery and buswrite take them.
std::optional<BusAddress> PartsBeyondMatlabRule(const std::string& text);

// Opens the device a tool's address names: by its parts where the MATLAB
// commands' rule would read them otherwise, else as that rule reads it.
// `address` fits kAddressSize bytes.
StepOutcome OpenToolAddress(Connection& connection, const std::string& address, long timeoutMs);
