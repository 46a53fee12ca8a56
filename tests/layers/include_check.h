// Checks the includes of the production folders against the layer table.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Each layer (a top folder) and the folders its files may include.
using LayerTable = std::map<std::string, std::set<std::string>>;

// Reads "folder: allowed folders..." lines; false (with the line in
// `error`) for a line that is not one, or a folder that names a layer on a
// later line, so that the table itself stays one-way.
bool ParseLayerTable(const std::string& text, LayerTable& table, std::string& error);

// Every `#include "folder/..."` under `root`'s layer folders that its
// layer may not use, as "path:line: ..." texts, in path order.
std::vector<std::string> FindLayerViolations(const std::string& root, const LayerTable& table);
