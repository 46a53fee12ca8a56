#include "discovery/board_discovery.h"

#include "config/config_layout.h"
#include "config/hardware_store.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "discovery/device_registry.h"
#include "text/text_compare.h"
#include "config/service_handle.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

const char* const BoardIdTable[5] = {
    "PCI\\VEN_10E8&DEV_8081",
    "ISAPNP\\KVX4691",
    "ROOT\\KVX488",
    "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172",
    "Vexmoor",
};

namespace {

// The most devnodes a walk of the dynamic data visits.
const DWORD kMaxDevnodes = 1000;
// The most numbered "Enum" values of one driver service read: a damaged
// "Count" must not keep the walk going for billions of absent values.
const DWORD kMaxDriverDevices = 1000;

typedef BOOL(WINAPI* EnumServicesFunction)(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD,
                                           LPDWORD, LPCSTR);
EnumServicesFunction g_enumServices = nullptr;

EnumServicesFunction LookUpEnumServices()
{
    if (!g_enumServices) {
        HMODULE advapi = LoadLibraryA("ADVAPI32.DLL");
        FARPROC proc = advapi ? GetProcAddress(advapi, "EnumServicesStatusExA") : nullptr;
        g_enumServices = reinterpret_cast<EnumServicesFunction>(reinterpret_cast<void*>(proc));
    }
    return g_enumServices;
}

// Reads a devnode's "HardWareKey" (any type, at most 256 bytes) as a terminated text.
bool ReadDevnodeHardwareKey(HKEY enumKey, const char* devnode, char (&text)[kHardwareKeySize])
{
    HKEY key = nullptr;
    if (RegOpenKeyA(enumKey, devnode, &key) != ERROR_SUCCESS)
        return false;
    RegKey holder(key, enumKey);
    DWORD size = kHardwareKeySize - 1;
    if (RegQueryValueExA(key, "HardWareKey", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return false;
    text[size] = '\0';
    return true;
}

// Copies one numbered value of a driver service's "Enum" key; null when it cannot be read.
char* ReadDriverDevice(HKEY enumKey, unsigned index)
{
    char name[16];
    std::snprintf(name, sizeof name, "%u", index);
    DWORD size = 0;
    if (!RegValueSize(enumKey, name, &size) || size == 0)
        return nullptr;
    // One byte more than stored, so that a value without terminator still gets one.
    std::unique_ptr<char[]> block(new (std::nothrow) char[size + 1]);
    if (block && RegReadTyped(enumKey, name, block.get(), size + 1, REG_SZ))
        return block.release();
    return nullptr;
}

} // namespace

int FindBoards(char** list, int capacity)
{
    if (IsWin9x())
        return FindBoardsWin9x(BoardIdTable, kBoardIdPrefixes, list, capacity);
    if (!IsWinNT5OrLater())
        return 0;
    std::vector<BYTE> records;
    int services = ListBoardDrivers(BoardIdTable[4], records);
    if (services <= 0)
        return 0;
    if (services > kHardwareKeySlots)
        services = kHardwareKeySlots;
    const auto* status = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(records.data());
    const char* names[kHardwareKeySlots];
    for (int i = 0; i < services; ++i)
        names[i] = status[i].lpServiceName;
    return CollectDriverDevices(names, services, list, capacity);
}

HardwareKeyList ListInstalledBoards()
{
    HardwareKeyList boards;
    boards.count = IsPnpOs() ? FindBoards(boards.slots, kHardwareKeySlots)
                             : ListLegacyHardware(boards.slots, kHardwareKeySlots);
    return boards;
}

int FindBoardsWin9x(const char* const* prefixes, int prefixCount, char** list, int capacity)
{
    HKEY enumKey = nullptr;
    if (RegOpenKeyA(HKEY_DYN_DATA, "Config Manager\\Enum", &enumKey) != ERROR_SUCCESS)
        return -1;
    RegKey holder(enumKey, HKEY_DYN_DATA);
    int count = 0;
    for (DWORD index = 0; index < kMaxDevnodes && count < capacity; ++index) {
        char devnode[16];
        if (RegEnumKeyA(enumKey, index, devnode, sizeof devnode) != ERROR_SUCCESS)
            break;
        char hardwareKey[kHardwareKeySize];
        if (!ReadDevnodeHardwareKey(enumKey, devnode, hardwareKey))
            continue;
        bool matches = false;
        for (int p = 0; p < prefixCount && !matches; ++p)
            matches = StartsWithNoCase(hardwareKey, prefixes[p]);
        if (!matches)
            continue;
        list[count] = CopyHardwareKey(hardwareKey);
        if (!list[count])
            break;
        ++count;
    }
    return count;
}

int ListBoardDrivers(const char* group, std::vector<BYTE>& records)
{
    EnumServicesFunction enumServices = LookUpEnumServices();
    if (!enumServices)
        return 0;
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return 0;
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    if (enumServices(manager.Get(), SC_ENUM_PROCESS_INFO, SERVICE_DRIVER, SERVICE_STATE_ALL, nullptr, 0, &needed,
                     &returned, &resume, group))
        return 0;
    if (GetLastError() != ERROR_MORE_DATA)
        return 0;
    try {
        records.assign(needed, 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!enumServices(manager.Get(), SC_ENUM_PROCESS_INFO, SERVICE_DRIVER, SERVICE_STATE_ALL, records.data(), needed,
                      &needed, &returned, &resume, group)) {
        records.clear();
        return 0;
    }
    return static_cast<int>(returned);
}

int CollectDriverDevices(const char* const* serviceNames, int serviceCount, char** list, int capacity)
{
    int count = 0;
    for (int s = 0; s < serviceCount && count < capacity; ++s) {
        HKEY key = nullptr;
        if (!RegOpenPath(HKEY_LOCAL_MACHINE, kServicesPath, serviceNames[s], &key, 0))
            continue;
        RegKey service(key, HKEY_LOCAL_MACHINE);
        HKEY enumKey = nullptr;
        if (!RegOpenPath(key, "Enum", nullptr, &enumKey, 0))
            continue;
        RegKey devicesKey(enumKey, key);
        DWORD devices = 0;
        if (!RegReadPathDword(enumKey, nullptr, nullptr, "Count", &devices))
            continue;
        for (DWORD j = 0; j < devices && j < kMaxDriverDevices && count < capacity; ++j) {
            char* device = ReadDriverDevice(enumKey, j);
            if (device)
                list[count++] = device;
        }
    }
    return count;
}

int PciBusDevText(const char* instancePart, char* buffer, unsigned capacity)
{
    char bus[3] = "";
    char device[3] = "";
    if (const char* found = std::strstr(instancePart, "BUS_"))
        std::snprintf(bus, sizeof bus, "%.2s", found + 4);
    if (const char* found = std::strstr(instancePart, "DEV_"))
        std::snprintf(device, sizeof device, "%.2s", found + 4);
    if (capacity < std::strlen(bus) + std::strlen(device) + 1)
        return 0;
    std::snprintf(buffer, capacity, "%s%s", bus, device);
    return 1;
}
