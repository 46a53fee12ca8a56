// quenbus scan INTERFACE [--timeout MS] [--secondary] [--add]: which
// addresses of a bus answer "*IDN?", and which listen without answering.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct ScanOptions {
    long timeoutMs = 200;
    bool secondary = false;
    bool add = false;  // a device node for each instrument no device has
};

struct FoundInstrument {
    int primary;
    int secondary;                   // DRV_NO_SECONDARY: none
    std::string identification;      // empty: listens, no answer
};

// Every primary address 0 to 30 but `ownAddress`, without a secondary address
// (and with `secondary` also with every secondary 0 to 30), through the bus driver library; `progress`
// gets a line for each address tried.
std::vector<FoundInstrument> ScanBus(const std::string& interfaceName, int ownAddress, const ScanOptions& options,
                                     std::ostream& progress);

// Prints the table, and with `add` adds the devices found; 1 when the
// interface is unknown (naming the configured ones) or a device could not be
// added, 0 otherwise.
int ScanCommand(const std::string& interfaceName, const ScanOptions& options, std::ostream& out, std::ostream& err);
