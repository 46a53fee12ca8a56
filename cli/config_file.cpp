#include "cli/config_file.h"

#include "config/config_layout.h"
#include "config/node_index.h"
#include "config/terminators.h"
#include "drovane/drovane.h"
#include "text/text_compare.h"

#include <cstring>

namespace {

const size_t kHardwareKeyLength = 127;
// The longest value name the registry holds.
const size_t kValueNameLength = 16383;

enum class Range { Any, Flag, Primary };

struct ValueRule {
    const char* name;
    DWORD type;
    Range range;           // for REG_DWORD
    size_t maxLength;      // for REG_SZ
    bool terminatorName;   // a REG_SZ that must be a terminator name
    bool interfaceOnly;
};

const ValueRule kValueRules[] = {
    {kUserName, REG_SZ, Range::Any, kUserNameSize - 1, false, false},
    {kHardwareKey, REG_SZ, Range::Any, kHardwareKeyLength, false, true},
    {kAdapter, REG_SZ, Range::Any, kHardwareKeyLength, false, true},
    {kSystemController, REG_DWORD, Range::Flag, 0, false, true},
    {kPrimaryAddress, REG_DWORD, Range::Primary, 0, false, false},
    {kSecondaryAddress, REG_DWORD, Range::Any, 0, false, false},
    {kTimeout, REG_DWORD, Range::Any, 0, false, false},
    {kBlockModeEnabled, REG_DWORD, Range::Flag, 0, false, true},
    {kTermInEoi, REG_DWORD, Range::Flag, 0, false, false},
    {kTermOutEoi, REG_DWORD, Range::Flag, 0, false, false},
    {kTermIn0, REG_DWORD, Range::Any, 0, false, false},
    {kTermIn1, REG_DWORD, Range::Any, 0, false, false},
    {kTermOut0, REG_DWORD, Range::Any, 0, false, false},
    {kTermOut1, REG_DWORD, Range::Any, 0, false, false},
    {kTermIn, REG_SZ, Range::Any, kUserNameSize - 1, true, false},
    {kTermOut, REG_SZ, Range::Any, kUserNameSize - 1, true, false},
};

// The parts of the path below the configuration root; false when the path is
// not inside it.
bool PartsBelowRoot(const RegFileKey& key, std::vector<std::string>& parts)
{
    size_t rootLength = std::strlen(kConfigRootPath);
    if (key.root != HKEY_CURRENT_USER || key.path.size() < rootLength ||
        !EqualNoCase(key.path.substr(0, rootLength), kConfigRootPath) ||
        (key.path.size() > rootLength && key.path[rootLength] != '\\'))
        return false;
    std::string rest = key.path.substr(rootLength);
    size_t start = 0;
    while (start < rest.size()) {
        size_t next = rest.find('\\', start + 1);
        parts.push_back(rest.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1));
        start = next == std::string::npos ? rest.size() : next;
    }
    return true;
}

DWORD DwordOf(const std::vector<BYTE>& data)
{
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
}

std::string CheckValue(const RegFileValue& value, bool isInterface)
{
    // The registry takes the name up to its first NUL: the name checked must be the name written.
    if (value.name.find('\0') != std::string::npos)
        return "the value name \"" + std::string(value.name.c_str()) + "\" goes on past a NUL character";
    if (value.name.size() > kValueNameLength)
        return "the value name is longer than " + std::to_string(kValueNameLength) + " characters";
    for (const ValueRule& rule : kValueRules) {
        if (!EqualNoCase(rule.name, value.name))
            continue;
        if (rule.interfaceOnly && !isInterface)
            return std::string(rule.name) + " belongs to interfaces, not devices";
        if (value.remove)
            return "";
        if (rule.type != value.type)
            return std::string(rule.name) + " must be " + (rule.type == REG_SZ ? "a string" : "a dword");
        if (rule.type == REG_DWORD) {
            if (value.data.size() != 4)
                return std::string(rule.name) + " must be a dword of 4 bytes";
            DWORD number = DwordOf(value.data);
            if (rule.range == Range::Flag && number > 1)
                return std::string(rule.name) + " must be 0 or 1, not " + std::to_string(number);
            if (rule.range == Range::Primary && number > DRV_MAX_ADDRESS)
                return std::string(rule.name) + " must be 0 to 30, not " + std::to_string(number);
            return "";
        }
        std::string text(value.data.begin(), value.data.end());
        text = text.c_str();
        if (text.size() > rule.maxLength)
            return std::string(rule.name) + " is longer than " + std::to_string(rule.maxLength) + " characters";
        if (rule.terminatorName && !TerminatorByStoredName(text.c_str()))
            return std::string(rule.name) + " \"" + text + "\" is not a terminator name (CR_LF, LF_CR, CR, LF, NONE, "
                                                       "USER 1, USER 2)";
        return "";
    }
    return "";
}

} // namespace

bool ExportConfiguration(std::string& text)
{
    std::string sections;
    if (!RegExportKey(HKEY_CURRENT_USER, kConfigRootPath, sections))
        return false;
    text = "REGEDIT4\n" + sections + "\n";
    return true;
}

std::string NodePathOf(const RegFileKey& key)
{
    std::vector<std::string> parts;
    PartsBelowRoot(key, parts);
    std::string path;
    for (const std::string& part : parts)
        path += (path.empty() ? "" : "\\") + part;
    return path;
}

bool CheckConfigurationKeys(const std::vector<RegFileKey>& keys, std::string& error)
{
    for (const RegFileKey& key : keys) {
        std::string at = "line " + std::to_string(key.line) + ": ";
        std::vector<std::string> parts;
        if (!PartsBelowRoot(key, parts)) {
            error = at + "the key lies outside HKEY_CURRENT_USER\\" + kConfigRootPath;
            return false;
        }
        if (key.remove) {
            error = at + "an import deletes no keys; import with --replace to drop what the file does not hold";
            return false;
        }
        if (parts.size() > 2) {
            error = at + "the key is deeper than a device node";
            return false;
        }
        for (const std::string& part : parts) {
            // The whole part, a NUL inside it included, must be the node name.
            if (part.size() + 1 != kNodeNameSize || !IsNodeName(part.c_str())) {
                error = at + "\"" + part + "\" is not a node name of four hexadecimal digits";
                return false;
            }
        }
        if (parts.empty() && !key.values.empty()) {
            error = "line " + std::to_string(key.values[0].line) + ": the configuration root holds no values";
            return false;
        }
        for (const RegFileValue& value : key.values) {
            std::string problem = CheckValue(value, parts.size() == 1);
            if (!problem.empty()) {
                error = "line " + std::to_string(value.line) + ": " + problem;
                return false;
            }
        }
    }
    return true;
}
