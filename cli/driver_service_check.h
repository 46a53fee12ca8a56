// The bus driver's kernel services on Windows NT: installed, running, and on
// NT 4 handed the current configuration.
#pragma once

#include "cli/bus_walk.h"

#include <string>
#include <vector>

void CheckDriverServices(const std::vector<InterfaceRecord>& interfaces, std::vector<std::string>& problems);
