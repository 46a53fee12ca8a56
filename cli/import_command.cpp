#include "cli/import_command.h"

#include "cli/config_file.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/reg_key.h"
#include "platform/reg_file.h"

#include <fstream>
#include <map>
#include <sstream>

namespace {

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return true;
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file.flush());
}

bool FileExists(const std::string& path)
{
    return static_cast<bool>(std::ifstream(path));
}

// "FILE.before-import.reg", or with a number when that is taken.
std::string BackupPathFor(const std::string& file)
{
    std::string stem = file.size() > 4 && file.compare(file.size() - 4, 4, ".reg") == 0
                           ? file.substr(0, file.size() - 4) : file;
    std::string path = stem + ".before-import.reg";
    for (int number = 2; FileExists(path); ++number)
        path = stem + ".before-import-" + std::to_string(number) + ".reg";
    return path;
}

// A value as `quenbus import --dry-run` shows it.
std::string ValueText(DWORD type, const std::vector<BYTE>& data)
{
    if (type == REG_DWORD && data.size() == 4)
        return std::to_string(data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24);
    if (type == REG_SZ)
        return "\"" + std::string(std::string(data.begin(), data.end()).c_str()) + "\"";
    return "(" + std::to_string(data.size()) + " bytes of type " + std::to_string(type) + ")";
}

bool ReadValue(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    return RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
}

// What merging the file would change, one line each.
void DescribeChanges(const std::vector<RegFileKey>& keys, bool replace, std::ostream& out)
{
    if (replace)
        out << "remove the whole configuration, then:\n";
    for (const RegFileKey& entry : keys) {
        std::string node = NodePathOf(entry);
        std::string label = node.empty() ? "the configuration root" : "node " + node;
        HKEY key = nullptr;
        bool exists = !replace && ConfigOpenNode(node.empty() ? nullptr : node.c_str(), &key);
        RegKey holder(exists ? key : nullptr, nullptr);
        if (!exists)
            out << "create " << label << '\n';
        for (const RegFileValue& value : entry.values) {
            DWORD type = 0;
            std::vector<BYTE> data;
            bool present = exists && ReadValue(key, value.name, type, data);
            if (value.remove) {
                if (present)
                    out << "  " << node << ": delete " << value.name << '\n';
            } else if (!present) {
                out << "  " << node << ": set " << value.name << " = " << ValueText(value.type, value.data) << '\n';
            } else if (type != value.type || data != value.data) {
                out << "  " << node << ": change " << value.name << " from " << ValueText(type, data) << " to "
                    << ValueText(value.type, value.data) << '\n';
            }
        }
    }
}

} // namespace

int ExportCommand(const std::string& file, std::ostream& out, std::ostream& err)
{
    std::string text;
    if (!ExportConfiguration(text)) {
        err << "quenbus: there is no bus configuration to export (HKEY_CURRENT_USER\\" << kConfigRootPath << ")\n";
        return 1;
    }
    if (!WriteFile(file, text)) {
        err << "quenbus: cannot write " << file << "; check the folder and its permissions\n";
        return 1;
    }
    out << "exported the bus configuration to " << file << '\n';
    return 0;
}

int ImportCommand(const std::string& file, const ImportOptions& options, std::ostream& out, std::ostream& err)
{
    std::string text;
    if (!ReadFile(file, text)) {
        err << "quenbus: cannot read " << file << "\n";
        return 1;
    }
    ImportBackup backup = [&file](const std::string& configuration, std::string& where) {
        where = BackupPathFor(file);
        return WriteFile(where, configuration);
    };
    return ImportText(file, text, options, backup, out, err);
}

int ImportText(const std::string& file, const std::string& text, const ImportOptions& options,
               const ImportBackup& backup, std::ostream& out, std::ostream& err)
{
    std::vector<RegFileKey> keys;
    std::string problem;
    if (!RegParseText(text, keys, &problem) || !CheckConfigurationKeys(keys, problem)) {
        err << "quenbus: " << file << ": " << problem << "; nothing was imported\n";
        return 1;
    }
    if (options.dryRun) {
        DescribeChanges(keys, options.replace, out);
        return 0;
    }
    if (options.replace) {
        std::string current;
        if (ExportConfiguration(current)) {
            std::string where;
            if (!backup(current, where)) {
                err << "quenbus: cannot write the backup " << where << "; nothing was imported\n";
                return 1;
            }
            out << "saved the current configuration to " << where << '\n';
        }
        RegDeleteKeyTree(HKEY_CURRENT_USER, kConfigRootPath);
        // The root comes back under its own name, not under the file's spelling of it.
        HKEY root = nullptr;
        RegKey created(ConfigCreateNodeKey(nullptr, &root) ? root : nullptr, HKEY_CURRENT_USER);
    }
    if (!RegApplyKeys(keys, &problem)) {
        err << "quenbus: " << file << ": " << problem << "\n";
        return 1;
    }
    out << "imported " << file << '\n';
    return 0;
}
