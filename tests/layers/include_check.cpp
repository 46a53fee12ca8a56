#include "include_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool IsSource(const fs::path& path)
{
    std::string extension = path.extension().string();
    return extension == ".h" || extension == ".cpp" || extension == ".c";
}

std::string Join(const std::set<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text.empty() ? "(nothing)" : text;
}

} // namespace

bool ParseLayerTable(const std::string& text, LayerTable& table, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    std::set<std::string> above;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = "not a layer line: " + line;
            return false;
        }
        std::string layer = line.substr(0, colon);
        std::istringstream words(line.substr(colon + 1));
        std::set<std::string>& allowed = table[layer];
        for (std::string word; words >> word;) {
            if (!above.count(word)) {
                error = layer + " may use " + word + ", which is not a layer above it";
                return false;
            }
            allowed.insert(word);
        }
        above.insert(layer);
    }
    return true;
}

std::vector<std::string> FindLayerViolations(const std::string& root, const LayerTable& table)
{
    static const std::regex include("^\\s*#\\s*include\\s*\"([^\"/]+)/[^\"]*\"");
    std::vector<std::string> violations;
    for (const auto& [layer, allowed] : table) {
        fs::path folder = fs::path(root) / layer;
        if (!fs::is_directory(folder))
            continue;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && IsSource(entry.path()))
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file);
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, include))
                    continue;
                std::string used = match[1];
                if (used == layer || allowed.count(used))
                    continue;
                violations.push_back(fs::relative(file, root).generic_string() + ":" + std::to_string(number) +
                                     ": includes \"" + used + "/...\", but " + layer +
                                     " may use only: " + Join(allowed));
            }
        }
    }
    return violations;
}
