// What a loaded Windows module exports and imports, read from its PE headers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ExportTable {
    unsigned functionCount = 0;
    std::vector<std::string> names;
};

struct ImportTable {
    bool found = false;
    std::vector<unsigned> ordinals; // imports by ordinal
    std::vector<std::string> names; // imports by name
};

ExportTable ExportsOf(HMODULE module);
// The imports from one DLL (name compared case-blind).
ImportTable ImportsOf(HMODULE module, const char* dllName);
