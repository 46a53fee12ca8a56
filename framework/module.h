// The module the user interface lives in: its handle and its resources.
#pragma once

#include <windows.h>

#include <string>

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();
// A string of the module's string table; empty when it has none of that id.
std::string LoadModuleString(UINT id);
