#include "config/registry_access.h"

#include "config/reg_key.h"

#include <cstring>
#include <vector>

namespace {

// The most values a walk of one key visits.
const DWORD kMaxValues = 1000;

bool IsPresent(const char* part)
{
    return part && *part;
}

// Opens root\part1\part2 without create; the holder closes it unless it is the root.
RegKey OpenExisting(HKEY root, const char* part1, const char* part2)
{
    HKEY key = nullptr;
    if (!RegOpenPath(root, part1, part2, &key, 0))
        return RegKey();
    return RegKey(key, root);
}

// Copies a string value as read so that the caller always gets a terminated text.
int CopyStringValue(const std::vector<char>& data, DWORD read, char* buffer, unsigned capacity)
{
    bool terminated = std::memchr(data.data(), '\0', read) != nullptr;
    if (!terminated && read >= capacity)
        return 0;
    std::memcpy(buffer, data.data(), read);
    if (!terminated)
        buffer[read] = '\0';
    return 1;
}

} // namespace

int RegOpenPath(HKEY root, const char* part1, const char* part2, HKEY* key, int create)
{
    const char* parts[2];
    int count = 0;
    if (IsPresent(part1))
        parts[count++] = part1;
    if (IsPresent(part2))
        parts[count++] = part2;
    if (count == 0) {
        *key = root;
        return 1;
    }
    HKEY current = root;
    for (int i = 0; i < count; ++i) {
        HKEY next = nullptr;
        // An intermediate key closes once the next one is open (or failed).
        RegKey parent(current, root);
        LONG rc = create ? RegCreateKeyA(current, parts[i], &next) : RegOpenKeyA(current, parts[i], &next);
        if (rc != ERROR_SUCCESS)
            return 0;
        current = next;
    }
    *key = current;
    return 1;
}

int RegPathExists(HKEY root, const char* part1, const char* part2)
{
    HKEY key = nullptr;
    if (!RegOpenPath(root, part1, part2, &key, 0))
        return 0;
    RegKey closer(key, root);
    return 1;
}

int RegReadPathString(HKEY root, const char* part1, const char* part2, const char* name, char* buffer,
                      unsigned capacity)
{
    RegKey key = OpenExisting(root, part1, part2);
    return key.Get() ? RegReadTyped(key.Get(), name, buffer, capacity, REG_SZ) : 0;
}

int RegReadPathDword(HKEY root, const char* part1, const char* part2, const char* name, DWORD* number)
{
    RegKey key = OpenExisting(root, part1, part2);
    DWORD size = 0;
    // Only a full four-byte value is a number; a shorter one would leave bytes unset.
    if (!key.Get() || !RegValueSize(key.Get(), name, &size) || size != sizeof(DWORD))
        return 0;
    return RegReadTyped(key.Get(), name, number, sizeof(DWORD), REG_DWORD);
}

int RegReadPathSize(HKEY root, const char* part1, const char* part2, const char* name, DWORD* size)
{
    RegKey key = OpenExisting(root, part1, part2);
    return key.Get() ? RegValueSize(key.Get(), name, size) : 0;
}

int RegDeletePathSubkey(HKEY root, const char* part1, const char* part2, const char* subkey)
{
    RegKey key = OpenExisting(root, part1, part2);
    return key.Get() && RegDeleteKeyA(key.Get(), subkey) == ERROR_SUCCESS;
}

int RegCopyPathValues(HKEY root, const char* part1, const char* part2, HKEY destination)
{
    RegKey source = OpenExisting(root, part1, part2);
    if (!source.Get())
        return 0;
    int result = 1;
    for (DWORD index = 0; index < kMaxValues; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        DWORD size = 0;
        if (RegEnumValueA(source.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            break;
        if (name[0] == '\0')
            continue;
        // The value may have grown since it was enumerated: read until the buffer holds it.
        std::vector<BYTE> data;
        DWORD type = 0;
        LONG rc = ERROR_MORE_DATA;
        for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
            data.resize(size ? size : 1);
            size = static_cast<DWORD>(data.size());
            rc = RegQueryValueExA(source.Get(), name, nullptr, &type, data.data(), &size);
        }
        // Windows counts a string's forgotten terminator when a NUL follows the
        // data; a non-NUL guard byte there keeps the copy byte for byte.
        if (rc == ERROR_SUCCESS) {
            data.resize(size + 1);
            data[size] = 0xFF;
        }
        if (rc != ERROR_SUCCESS || RegSetValueExA(destination, name, 0, type, data.data(), size) != ERROR_SUCCESS) {
            result = 0;
            break;
        }
    }
    return result;
}

int RegReadTyped(HKEY key, const char* name, void* buffer, unsigned capacity, DWORD type)
{
    // One query into scratch room of the caller's capacity: a larger value
    // fails, and the caller's buffer changes only on success.
    std::vector<char> data(capacity ? capacity : 1);
    DWORD storedType = 0;
    DWORD size = capacity;
    if (RegQueryValueExA(key, name, nullptr, &storedType, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return 0;
    if (storedType != type || size == 0 || size > capacity)
        return 0;
    if (type == REG_SZ)
        return CopyStringValue(data, size, static_cast<char*>(buffer), capacity);
    std::memcpy(buffer, data.data(), size);
    return 1;
}

int RegValueSize(HKEY key, const char* name, DWORD* size)
{
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, size) == ERROR_SUCCESS;
}

int RegReadOrDefault(HKEY key, const char* name, const void* defaultBytes, unsigned defaultLength, void* buffer,
                     unsigned capacity, DWORD type)
{
    if (RegReadTyped(key, name, buffer, capacity, type))
        return 1;
    unsigned length = defaultLength < capacity ? defaultLength : capacity;
    std::memcpy(buffer, defaultBytes, length);
    if (type == REG_SZ && length == capacity && capacity > 0)
        static_cast<char*>(buffer)[capacity - 1] = '\0';
    return 0;
}

char* RegFetchString(HKEY key, const char* name, const char* defaultText, char* buffer, unsigned capacity)
{
    RegReadOrDefault(key, name, defaultText, static_cast<unsigned>(std::strlen(defaultText) + 1), buffer, capacity,
                     REG_SZ);
    return buffer;
}

DWORD RegFetchDword(HKEY key, const char* name, DWORD defaultNumber)
{
    DWORD size = 0;
    DWORD number = 0;
    if (!RegValueSize(key, name, &size) || size != sizeof number ||
        !RegReadTyped(key, name, &number, sizeof number, REG_DWORD))
        return defaultNumber;
    return number;
}

int RegPutString(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

int RegPutDword(HKEY key, const char* name, DWORD number)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

int RegHasValue(HKEY key, const char* name)
{
    DWORD size = 0;
    return RegValueSize(key, name, &size);
}

int RegPutStringIfAbsent(HKEY key, const char* name, const char* text)
{
    return RegHasValue(key, name) ? 1 : RegPutString(key, name, text);
}

int RegPutDwordIfAbsent(HKEY key, const char* name, DWORD number)
{
    return RegHasValue(key, name) ? 1 : RegPutDword(key, name, number);
}

int RegHasDefaultValue(HKEY key)
{
    for (DWORD index = 0; index < kMaxValues; ++index) {
        char name[64];
        DWORD nameLength = sizeof name;
        LONG rc = RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the probe is not the unnamed value: look further.
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            return 0;
        if (name[0] == '\0')
            return 1;
    }
    return 0;
}

int RegPutDefaultIfAbsent(HKEY key, const char* text)
{
    return RegHasDefaultValue(key) ? 1 : RegPutString(key, nullptr, text);
}

int RegHasSubkey(HKEY key)
{
    char name[256];
    return RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS;
}
