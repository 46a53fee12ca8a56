// quenbus scan --add: a device node for each instrument found that no device
// of its interface has yet.
#pragma once

#include "cli/bus_walk.h"
#include "cli/scan_command.h"

#include <ostream>
#include <string>
#include <vector>

// The model field of an identification ("maker,model,serial,firmware"),
// blank-trimmed and without control characters; the default device name when
// there is none.
std::string DeviceNameFromIdentification(const std::string& identification);

// Creates the nodes with the applet's numbering and naming rules and stores
// their addresses; a device already on an instrument's address is kept as it
// is. One line a node added or kept; false when a node could not be written.
bool AddFoundDevices(const InterfaceRecord& bus, const std::vector<InterfaceRecord>& interfaces,
                     const std::vector<FoundInstrument>& found, std::ostream& out, std::ostream& err);
