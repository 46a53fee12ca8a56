#include "platform/reg_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct RootName {
    const char* name;
    HKEY key;
};

const RootName kRoots[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER}, {"HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

bool SplitRoot(const std::string& path, HKEY& root, std::string& rest)
{
    size_t slash = path.find('\\');
    std::string head = path.substr(0, slash);
    for (const RootName& candidate : kRoots) {
        if (head == candidate.name) {
            root = candidate.key;
            rest = slash == std::string::npos ? "" : path.substr(slash + 1);
            return true;
        }
    }
    return false;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the quote.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out)
{
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\' && pos < text.size())
            c = text[pos++];
        out += c;
    }
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>& bytes)
{
    std::string digits;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!digits.empty()) {
                char* end = nullptr;
                unsigned long byte = std::strtoul(digits.c_str(), &end, 16);
                if (*end || digits.size() > 2)
                    return false;
                bytes.push_back(static_cast<BYTE>(byte));
                digits.clear();
            }
        } else if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else {
            return false;
        }
    }
    return digits.empty() || ParseHexBytes(digits + ",", bytes);
}

// Reads the lines after the header into keys and their values.
class Parser {
public:
    explicit Parser(std::vector<RegFileKey>& keys) : keys_(keys) {}

    bool Line(const std::string& line, int lineNumber, std::string& error)
    {
        if (line.empty() || line[0] == ';')
            return true;
        if (line[0] == '[')
            return Section(line, lineNumber, error);
        return ValueLine(line, lineNumber, error);
    }

private:
    std::vector<RegFileKey>& keys_;

    bool Section(const std::string& line, int lineNumber, std::string& error)
    {
        if (line.back() != ']') {
            error = "unterminated key name";
            return false;
        }
        RegFileKey key;
        key.line = lineNumber;
        key.remove = line.size() > 1 && line[1] == '-';
        std::string path = line.substr(key.remove ? 2 : 1, line.size() - (key.remove ? 3 : 2));
        if (!SplitRoot(path, key.root, key.path)) {
            error = "unknown root key";
            return false;
        }
        keys_.push_back(key);
        return true;
    }

    bool ValueLine(const std::string& line, int lineNumber, std::string& error)
    {
        if (keys_.empty()) {
            error = "value outside a key";
            return false;
        }
        RegFileValue value;
        value.line = lineNumber;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] != '"' || !ParseQuoted(line, pos, value.name)) {
            error = "bad value name";
            return false;
        }
        if (pos >= line.size() || line[pos] != '=') {
            error = "missing '='";
            return false;
        }
        std::string data = line.substr(pos + 1);
        value.remove = data == "-";
        if (!value.remove && !ParseData(data, value.type, value.data)) {
            error = "bad value data";
            return false;
        }
        // The values of a deleted key are not read.
        if (!keys_.back().remove)
            keys_.back().values.push_back(value);
        return true;
    }

    static bool ParseData(const std::string& data, DWORD& type, std::vector<BYTE>& bytes)
    {
        if (!data.empty() && data[0] == '"') {
            size_t pos = 0;
            std::string text;
            if (!ParseQuoted(data, pos, text) || pos != data.size())
                return false;
            type = REG_SZ;
            bytes.assign(text.begin(), text.end());
            bytes.push_back(0);
            return true;
        }
        if (data.compare(0, 6, "dword:") == 0) {
            std::string digits = data.substr(6);
            char* end = nullptr;
            unsigned long number = std::strtoul(digits.c_str(), &end, 16);
            if (digits.empty() || digits.size() > 8 || *end)
                return false;
            type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<BYTE>(number >> (8 * i)));
            return true;
        }
        if (data.compare(0, 4, "hex:") == 0) {
            type = REG_BINARY;
            return ParseHexBytes(data.substr(4), bytes);
        }
        if (data.compare(0, 4, "hex(") == 0) {
            size_t close = data.find("):");
            if (close == std::string::npos)
                return false;
            std::string digits = data.substr(4, close - 4);
            char* end = nullptr;
            type = static_cast<DWORD>(std::strtoul(digits.c_str(), &end, 16));
            if (*end || digits.empty())
                return false;
            return ParseHexBytes(data.substr(close + 2), bytes);
        }
        return false;
    }
};

bool ApplyKey(const RegFileKey& entry, std::string& error)
{
    if (entry.remove) {
        LONG rc = RegDeleteKeyTree(entry.root, entry.path.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            error = "cannot delete key";
            return false;
        }
        return true;
    }
    HKEY key = nullptr;
    if (RegCreateKeyA(entry.root, entry.path.c_str(), &key) != ERROR_SUCCESS) {
        error = "cannot create key";
        return false;
    }
    for (const RegFileValue& value : entry.values) {
        if (value.remove) {
            RegDeleteValueA(key, value.name.c_str());
            continue;
        }
        // Windows counts a string's forgotten terminator when a NUL follows the
        // data; a non-NUL guard byte keeps hex string data exactly as given.
        std::vector<BYTE> bytes = value.data;
        DWORD size = static_cast<DWORD>(bytes.size());
        bytes.push_back(0xFF);
        if (RegSetValueExA(key, value.name.c_str(), 0, value.type, bytes.data(), size) != ERROR_SUCCESS) {
            error = "line " + std::to_string(value.line) + ": cannot write value";
            RegCloseKey(key);
            return false;
        }
    }
    RegCloseKey(key);
    return true;
}

std::string Trimmed(const std::string& line)
{
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    size_t last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

// Writes a quoted REGEDIT4 text: backslashes and quotes escaped.
std::string QuotedText(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string HexBytes(const std::vector<BYTE>& bytes)
{
    std::string text;
    char hex[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

// A string the loader takes back as quoted text: one terminating NUL, no
// other NUL and no line break.
bool IsPlainString(const std::vector<BYTE>& bytes)
{
    if (bytes.empty() || bytes.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0 || bytes[i] == '\r' || bytes[i] == '\n')
            return false;
    }
    return true;
}

std::string ValueData(DWORD type, const std::vector<BYTE>& bytes)
{
    char prefix[32];
    if (type == REG_SZ && IsPlainString(bytes))
        return QuotedText(std::string(bytes.begin(), bytes.end() - 1));
    if (type == REG_DWORD && bytes.size() == 4) {
        DWORD number = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24;
        std::snprintf(prefix, sizeof prefix, "dword:%08lx", static_cast<unsigned long>(number));
        return prefix;
    }
    if (type == REG_BINARY)
        return "hex:" + HexBytes(bytes);
    std::snprintf(prefix, sizeof prefix, "hex(%lx):", static_cast<unsigned long>(type));
    return prefix + HexBytes(bytes);
}

// The value lines of one key.
bool ExportValues(HKEY key, std::string& text)
{
    std::vector<BYTE> data(256);
    for (DWORD index = 0;;) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG rc = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc != ERROR_SUCCESS)
            return false;
        std::vector<BYTE> bytes(data.begin(), data.begin() + size);
        text += (nameLength ? QuotedText(name) : "@") + "=" + ValueData(type, bytes) + "\n";
        ++index;
    }
}

bool ExportTree(HKEY key, const std::string& keyName, bool isRoot, std::string& text)
{
    std::string values;
    if (!ExportValues(key, values))
        return false;
    if (!isRoot || !values.empty())
        text += "\n[" + keyName + "]\n" + values;
    char child[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, child, sizeof child) == ERROR_SUCCESS; ++index) {
        HKEY childKey = nullptr;
        if (RegOpenKeyA(key, child, &childKey) != ERROR_SUCCESS)
            return false;
        bool exported = ExportTree(childKey, keyName + "\\" + child, false, text);
        RegCloseKey(childKey);
        if (!exported)
            return false;
    }
    return true;
}


} // namespace

bool RegParseText(const std::string& text, std::vector<RegFileKey>& keys, std::string* error)
{
    std::istringstream in(text);
    std::string raw;
    std::string message;
    int lineNumber = 0;
    bool header = false;
    Parser parser(keys);
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string line = Trimmed(raw);
        int firstLine = lineNumber;
        // Hex data continues on the next line after a trailing backslash.
        while (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos &&
               std::getline(in, raw)) {
            ++lineNumber;
            line.pop_back();
            line += Trimmed(raw);
        }
        if (!header) {
            if (line.empty())
                continue;
            if (line != "REGEDIT4") {
                message = "not a REGEDIT4 file";
                break;
            }
            header = true;
            continue;
        }
        if (!parser.Line(line, firstLine, message)) {
            message = "line " + std::to_string(firstLine) + ": " + message;
            break;
        }
    }
    if (message.empty() && !header)
        message = "not a REGEDIT4 file";
    if (error)
        *error = message;
    return message.empty();
}

bool RegApplyKeys(const std::vector<RegFileKey>& keys, std::string* error)
{
    std::string message;
    for (const RegFileKey& key : keys) {
        if (!ApplyKey(key, message)) {
            if (error)
                *error = "line " + std::to_string(key.line) + ": " + message;
            return false;
        }
    }
    return true;
}

bool RegLoadText(const std::string& text, std::string* error)
{
    std::vector<RegFileKey> keys;
    return RegParseText(text, keys, error) && RegApplyKeys(keys, error);
}

bool RegLoadFile(const char* path, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = std::string("cannot read ") + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return RegLoadText(text.str(), error);
}

LONG RegDeleteKeyTree(HKEY root, const char* path)
{
    HKEY key;
    LONG rc = RegOpenKeyA(root, path, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) {
        rc = RegDeleteKeyTree(key, child);
        if (rc != ERROR_SUCCESS)
            break;
    }
    if (key != root)
        RegCloseKey(key);
    return rc == ERROR_SUCCESS ? RegDeleteKeyA(root, path) : rc;
}

bool RegExportKey(HKEY root, const char* path, std::string& text)
{
    const char* rootName = nullptr;
    for (const RootName& candidate : kRoots) {
        if (candidate.key == root && !rootName)
            rootName = candidate.name;
    }
    if (!rootName)
        return false;
    if (!path || !*path)
        return ExportTree(root, rootName, true, text);
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return false;
    bool exported = ExportTree(key, std::string(rootName) + "\\" + path, false, text);
    RegCloseKey(key);
    return exported;
}
