// The running program as the trace names it.
#pragma once

#include <string>

// The program's file name without its folder ("octave-cli", "quenbus.exe").
const std::string& ProcessName();
long long ProcessId();
