// Which interface a name means, from the bus configuration.
#pragma once

#include <string>

// Looks up an interface by its name (case-blind): the configured interfaces'
// "UserName" (an interface without one has no name), or IEEE0 to IEEE3 when
// there is no configuration root. DRV_ERR_NONE with the interface's name in
// `busName` when its board is present, DRV_ERR_NO_BOARD when it is not,
// DRV_ERR_UNKNOWN_NAME when no interface has the name. An interface with an
// "Adapter" value counts as present; `adapter` gets the value (empty: none).
int LookUpInterface(const char* name, std::string& busName, std::string& adapter);
