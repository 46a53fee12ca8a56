// The configuration subtree as a REGEDIT4 file, and the rules a file must
// keep to be imported.
#pragma once

#include "platform/reg_file.h"

#include <string>
#include <vector>

// "REGEDIT4" and the sections of the configuration root and every node
// beneath it; false when there is no configuration.
bool ExportConfiguration(std::string& text);

// Whether every key lies in the configuration subtree as a four-hex-digit
// interface or device node (or is the root, without values) and every known
// value has its type, range and length, and every value name is one the
// registry holds (no NUL, not too long); else "line N: reason".
bool CheckConfigurationKeys(const std::vector<RegFileKey>& keys, std::string& error);

// The node path of a key below the root: "" for the root, "0000", "0000\0001".
std::string NodePathOf(const RegFileKey& key);
