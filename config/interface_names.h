// Interfaces by the name they are opened by: an interface node's "UserName",
// when it is text (an interface without one has no name to open it by).
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

// The node under `root` (the open configuration root) of the interface
// named `name`, case-blind, and its name as stored; false when none is.
bool FindNamedInterface(HKEY root, const char* name, std::string& node, std::string& storedName);

// The same under the configuration root; "" when none is, or there is no root.
std::string NamedInterfaceNode(const std::string& name);

// The configured interfaces' names in node order, the node's own name for
// one without a name of text; empty without a configuration root.
std::vector<std::string> ConfiguredInterfaceNames();

// A configured interface that can be opened: the number of its node (node
// 0000 is 0, 000A is 10) and its name.
struct NumberedInterface {
    int number;
    std::string node;
    std::string name;
};

// The configured interfaces with a name of text, in node order; empty
// without a configuration root.
std::vector<NumberedInterface> NumberedInterfaces();

// A device node of an interface and its bus address: primary 0 to
// GPIB_MAX_ADDRESS, secondary 0 to GPIB_MAX_ADDRESS or GPIB_NO_SECONDARY.
struct ConfiguredDevice {
    std::string name; // its "UserName", or its node's name
    int primary;
    int secondary;
};

// The devices of the interface node `node` (as "0000"), in node order; a
// device without a primary address on the bus is left out.
std::vector<ConfiguredDevice> ConfiguredDevices(const std::string& node);
