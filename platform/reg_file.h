// REGEDIT4 files, applied through the ordinary registry calls so that one
// fixture seeds the emulated store and the Windows registry alike.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

// One value line of a REGEDIT4 file: a name ("" for @) and its data, or "=-".
struct RegFileValue {
    int line = 0;
    std::string name;
    bool remove = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// One "[KEY]" (or "[-KEY]") section and its value lines.
struct RegFileKey {
    int line = 0;
    HKEY root = nullptr;
    std::string path;  // below the root
    bool remove = false;
    std::vector<RegFileValue> values;
};

// Reads REGEDIT4 text without touching the registry; on failure describes the
// first offending line ("line N: reason") in `error`.
bool RegParseText(const std::string& text, std::vector<RegFileKey>& keys, std::string* error);
// Writes what RegParseText read, in order.
bool RegApplyKeys(const std::vector<RegFileKey>& keys, std::string* error);

// Reads, then applies REGEDIT4 text (nothing when it does not read): "[KEY]"
// creates, "[-KEY]" deletes a tree,
// "name"=... and @=... set values, "name"=- deletes one. On failure returns
// false and describes the first offending line in `error`.
bool RegLoadText(const std::string& text, std::string* error);
bool RegLoadFile(const char* path, std::string* error);

// Appends the REGEDIT4 sections of `path` under `root` and of everything
// beneath it to `text` (an empty path: all of the root), read through the
// ordinary registry calls. Strings the loader could not take back as quoted
// text are written as hex(1).
bool RegExportKey(HKEY root, const char* path, std::string& text);

// Deletes `path` under `root` with everything beneath it.
LONG RegDeleteKeyTree(HKEY root, const char* path);
