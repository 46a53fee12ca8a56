// Reading the values of one configuration node, with a note for every value
// that is there but of the wrong type or too long to read.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

class StoredValues {
public:
    explicit StoredValues(HKEY key) : key_(key) {}

    // The value, or `fallback` when it is absent or unreadable.
    DWORD Dword(const char* name, DWORD fallback);
    // At most capacity - 1 characters, as the applet reads it.
    std::string Text(const char* name, const std::string& fallback, unsigned capacity);

    // "TermIn0 is REG_SZ, not REG_DWORD", one per bad value.
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    HKEY key_;
    std::vector<std::string> problems_;
};

// "REG_SZ", "REG_DWORD", ... or "type N".
std::string TypeName(DWORD type);
