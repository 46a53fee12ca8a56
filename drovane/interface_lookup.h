// Which interface a name means, from the bus configuration.
#pragma once

#include "config/interface_names.h"

#include <string>
#include <vector>

// Looks up an interface by its name (case-blind): the configured interfaces'
// "UserName" (an interface without one has no name), or IEEE0 to IEEE3 when
// there is no configuration root. DRV_ERR_NONE with the interface's name in
// `busName` when its board is present, DRV_ERR_NO_BOARD when it is not,
// DRV_ERR_UNKNOWN_NAME when no interface has the name. An interface with an
// "Adapter" value counts as present; `adapter` gets the value (empty: none).
int LookUpInterface(const char* name, std::string& busName, std::string& adapter);

// The interfaces a program can open, in order: the configured ones with a
// name, or IEEE0 to IEEE3 (numbers 0 to 3, no node) without a configuration root.
std::vector<NumberedInterface> OpenableInterfaces();
