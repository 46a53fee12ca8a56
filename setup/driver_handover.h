// The hand-over of the interfaces to the driver on legacy NT
// (RegInitDrvrConfigNT): which service's numbered parameter keys take an
// interface, and what a hand-over left in them.
#pragma once

#include <string>

// The ISA family's driver service, which takes the interfaces of every ISA model.
inline constexpr char kIsaDriverService[] = "Rumex";
// A service's numbered driver parameter keys run from 0 to 999.
const unsigned long kMaxDriverInstances = 1000;
// The buffer a hand-over reads an interface's "HardwareKey" through.
const unsigned kHandOverHardwareKeySize = 32;

// The driver service of a hardware key: its first non-empty element, or the
// ISA family's driver for an ISA model. False when the key has no element.
bool ServiceForHardwareKey(const char* hardwareKey, std::string& service);

// Whether the interface's latest driver parameter key holds it whole: its
// "UserName", "PrimaryAddress" and "SystemController", and every named value
// of its instance key in the hardware store byte for byte.
bool InterfaceHandedOverWhole(const char* node);

// For a hand-over that returned 0: true when it ended at the first interface
// without a board (`unbound`) and every interface before it was handed over
// whole, as with fewer boards than interfaces. Otherwise false; `failed` then
// names the first interface not handed over whole, or is empty when the
// interfaces could not be walked.
bool HandOverEndedAtUnbound(std::string& unbound, std::string& failed);
