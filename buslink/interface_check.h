// Asks the bus driver library whether it can open an interface by name.
#pragma once

// What the bus driver library answers when asked to open an interface.
enum class DriverCheck { Accepted, Failed, Unrecognised };

// The answer that a failed open's error number stands for.
DriverCheck DriverCheckFromError(int error);

DriverCheck CheckDriverName(const char* name);
