// REGEDIT4 files, applied through the ordinary registry calls so that one
// fixture seeds the emulated store and the Windows registry alike.
#pragma once

#include "platform/win32.h"

#include <string>

// Applies REGEDIT4 text: "[KEY]" creates, "[-KEY]" deletes a tree,
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
