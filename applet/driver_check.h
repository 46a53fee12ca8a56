// Asks the bus driver library whether it can open an interface by name.
#pragma once

#include "applet/tree_items.h"

DriverCheck CheckDriverName(const char* name);
