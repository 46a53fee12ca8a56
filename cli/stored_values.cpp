#include "cli/stored_values.h"

#include <vector>

namespace {

const DWORD kDwordSize = 4;

} // namespace

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_BINARY:
        return "REG_BINARY";
    default:
        return "type " + std::to_string(type);
    }
}

DWORD StoredValues::Dword(const char* name, DWORD fallback)
{
    BYTE data[kDwordSize];
    DWORD type = 0;
    DWORD size = sizeof data;
    LONG result = RegQueryValueExA(key_, name, nullptr, &type, data, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return fallback;
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != kDwordSize) {
        problems_.push_back(std::string(name) + " is " + TypeName(type) + " of " + std::to_string(size) +
                            " bytes, not REG_DWORD");
        return fallback;
    }
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
}

std::string StoredValues::Text(const char* name, const std::string& fallback, unsigned capacity)
{
    std::vector<char> data(capacity);
    DWORD type = 0;
    DWORD size = capacity;
    LONG result = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return fallback;
    if (result == ERROR_MORE_DATA || (result == ERROR_SUCCESS && type == REG_SZ && size > capacity)) {
        problems_.push_back(std::string(name) + " is longer than " + std::to_string(capacity - 1) + " characters");
        return fallback;
    }
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        problems_.push_back(std::string(name) + " is " + TypeName(type) + ", not REG_SZ");
        return fallback;
    }
    data[capacity - 1] = '\0';
    return std::string(data.data());
}
