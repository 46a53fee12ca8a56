// How a new device node gets its number and its name.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <set>
#include <string>

// The name a device takes when nothing better is known.
extern const char kNewDeviceName[];
// The longest name the applet lets a user give a node.
const unsigned kMaxNodeNameChars = 19;

// One more than the largest number in use, or 1 when none is; when that
// passes 0xFFFF, the smallest number not in use.
unsigned NextDeviceNumber(const std::set<unsigned>& used);

// Adds the number of every subkey of `key`, node or not, to `used`.
void AddSubkeyNumbers(HKEY key, std::set<unsigned>& used);

// `base`, else "base (2)", "base (3)"... the first one `taken` does not
// claim. A base too long for `maxChars` with its counter is cut.
std::string UnclaimedName(const std::string& base, const std::function<bool(const std::string&)>& taken,
                          size_t maxChars);
