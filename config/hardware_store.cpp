#include "config/hardware_store.h"

#include "config/config_layout.h"
#include "config/reg_key.h"
#include "config/registry_access.h"

#include <cstring>
#include <new>

namespace {

char g_joinedPath[64];
// The most model keys a walk of the hardware store visits.
const DWORD kMaxModels = 100;

} // namespace

char* CopyHardwareKey(const char* text)
{
    size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

void ReleaseHardwareKeyList(char** list, int slots)
{
    for (int i = 0; i < slots; ++i) {
        delete[] list[i];
        list[i] = nullptr;
    }
}

HardwareKeyList::HardwareKeyList(HardwareKeyList&& other) noexcept : count(other.count)
{
    for (int i = 0; i < kHardwareKeySlots; ++i) {
        slots[i] = other.slots[i];
        other.slots[i] = nullptr;
    }
}

int ListLegacyHardware(char** list, int slots)
{
    HKEY key = nullptr;
    if (!RegOpenPath(HKEY_LOCAL_MACHINE, kHardwareStorePath, nullptr, &key, 0))
        return -1;
    RegKey store(key, HKEY_LOCAL_MACHINE);
    int count = 0;
    for (DWORD index = 0; index < kMaxModels && count < slots; ++index) {
        char name[128];
        LONG rc = RegEnumKeyA(key, index, name, sizeof name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        list[count] = CopyHardwareKey(name);
        if (!list[count])
            break;
        ++count;
    }
    return count;
}

const char* JoinKeyPath(const char* a, const char* b)
{
    if (!a || !b || std::strlen(a) + 1 + std::strlen(b) >= sizeof g_joinedPath)
        return nullptr;
    std::strcpy(g_joinedPath, a);
    std::strcat(g_joinedPath, "\\");
    std::strcat(g_joinedPath, b);
    return g_joinedPath;
}

int ReadHardwareDescription(const char* model, char* buffer, unsigned capacity)
{
    return RegReadPathString(HKEY_LOCAL_MACHINE, kHardwareStorePath, model, nullptr, buffer, capacity);
}

std::string BoardModelOf(const std::string& hardwareKey)
{
    size_t start = hardwareKey.find_first_not_of('\\');
    if (start == std::string::npos)
        return std::string();
    size_t end = hardwareKey.find('\\', start);
    return hardwareKey.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
