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
