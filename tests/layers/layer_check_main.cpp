// layer_check SOURCE_ROOT TABLE: fails, naming file and line, for every
// include of a folder that the including file's layer may not use.
#include "include_check.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: layer_check SOURCE_ROOT LAYER_TABLE\n");
        return 2;
    }
    std::ifstream in(argv[2]);
    if (!in) {
        std::fprintf(stderr, "layer_check: cannot read %s\n", argv[2]);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    LayerTable table;
    std::string error;
    if (!ParseLayerTable(text.str(), table, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
        return 2;
    }
    std::vector<std::string> violations = FindLayerViolations(argv[1], table);
    for (const std::string& violation : violations)
        std::printf("%s\n", violation.c_str());
    std::printf("layer check: %zu layers, %zu includes against the table\n", table.size(), violations.size());
    return violations.empty() ? 0 : 1;
}
