#include "discovery/device_registry.h"

#include "config/heap_string.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "config/text_utils.h"

#include <cstring>

namespace {

const char kConfigManagerEnum[] = "Config Manager\\Enum";
const char kHardWareKeyValue[] = "HardWareKey";
const char kAllocationValue[] = "Allocation";
const unsigned kAllocationHeader = 8;
const unsigned kEntryHead = 8;
// The most subkeys a search by value visits.
const DWORD kMaxSubkeys = 65536;

DWORD ReadU32(const BYTE* bytes)
{
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
           static_cast<DWORD>(bytes[3]) << 24;
}

} // namespace

const char* EnumRootPath()
{
    if (IsWin9x())
        return "Enum";
    if (IsWinNT5OrLater())
        return "System\\CurrentControlSet\\Enum";
    return nullptr;
}

int OpenDeviceKey(const char* hardwareKey, HKEY* key)
{
    const char* root = EnumRootPath();
    return root && RegOpenPath(HKEY_LOCAL_MACHINE, root, hardwareKey, key, 0);
}

int ReadDeviceString(const char* hardwareKey, const char* name, char* buffer, unsigned capacity)
{
    HKEY key = nullptr;
    if (!OpenDeviceKey(hardwareKey, &key))
        return 0;
    RegKey device(key, HKEY_LOCAL_MACHINE);
    return RegReadTyped(key, name, buffer, capacity, REG_SZ);
}

int ReadDeviceDword(const char* hardwareKey, const char* name, DWORD* number)
{
    HKEY key = nullptr;
    if (!OpenDeviceKey(hardwareKey, &key))
        return 0;
    RegKey device(key, HKEY_LOCAL_MACHINE);
    DWORD size = 0;
    return RegValueSize(key, name, &size) && size == sizeof(DWORD) &&
           RegReadTyped(key, name, number, sizeof(DWORD), REG_DWORD);
}

int CopyInstancePart(const char* hardwareKey, char* buffer, unsigned capacity)
{
    const char* first = std::strchr(hardwareKey, '\\');
    const char* second = first ? std::strchr(first + 1, '\\') : nullptr;
    if (!second)
        return 0;
    return CopyBounded(buffer, second + 1, capacity);
}

int FindSubkeyByValue(HKEY root, const char* path, const char* valueName, const char* wanted, char* name,
                      unsigned capacity)
{
    HKEY parent = nullptr;
    if (!RegOpenPath(root, path, nullptr, &parent, 0))
        return 0;
    RegKey holder(parent, root);
    String subkeyName(255);
    String value(256);
    if (subkeyName.IsNull() || value.IsNull())
        return 0;
    for (DWORD index = 0; index < kMaxSubkeys; ++index) {
        LONG rc = RegEnumKeyA(parent, index, subkeyName.data, subkeyName.size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        HKEY subkey = nullptr;
        if (RegOpenKeyA(parent, subkeyName.data, &subkey) != ERROR_SUCCESS)
            continue;
        RegKey child(subkey, parent);
        if (RegReadTyped(subkey, valueName, value.data, value.size, REG_SZ) && TextMatch(value.data, wanted, 0, 0)) {
            // A name the caller cannot hold is a failure, not a cut name.
            if (std::strlen(subkeyName.data) >= capacity)
                return 0;
            return CopyBounded(name, subkeyName.data, capacity);
        }
    }
    return 0;
}

int ReadAllocation(const char* hardwareKey, BYTE* buffer, unsigned capacity, DWORD* size)
{
    char devnode[16];
    if (!FindSubkeyByValue(HKEY_DYN_DATA, kConfigManagerEnum, kHardWareKeyValue, hardwareKey, devnode, sizeof devnode))
        return 0;
    HKEY key = nullptr;
    if (!RegOpenPath(HKEY_DYN_DATA, kConfigManagerEnum, devnode, &key, 0))
        return 0;
    RegKey holder(key, HKEY_DYN_DATA);
    return RegValueSize(key, kAllocationValue, size) && RegReadTyped(key, kAllocationValue, buffer, capacity, REG_BINARY);
}

int FindAllocatedResource(const char* hardwareKey, DWORD type, unsigned offset, void* out, unsigned width)
{
    BYTE record[256];
    DWORD size = 0;
    if (!ReadAllocation(hardwareKey, record, sizeof record, &size))
        return 0;
    size_t position = kAllocationHeader;
    while (position + kEntryHead <= size) {
        DWORD length = ReadU32(record + position);
        if (length == 0)
            break;
        if (ReadU32(record + position + 4) == type) {
            size_t data = position + kEntryHead + offset;
            if (data + width > size)
                return 0;
            std::memcpy(out, record + data, width);
            return 1;
        }
        position += length;
    }
    return 0;
}

int AllocatedIoPort(const char* hardwareKey, WORD* port)
{
    BYTE bytes[2];
    if (!FindAllocatedResource(hardwareKey, 2, 4, bytes, sizeof bytes))
        return 0;
    *port = static_cast<WORD>(bytes[0] | bytes[1] << 8);
    return 1;
}

int AllocatedSlot(const char* hardwareKey, WORD* slot)
{
    BYTE bytes[2];
    if (!FindAllocatedResource(hardwareKey, 0x897C, 0, bytes, sizeof bytes))
        return 0;
    *slot = static_cast<WORD>(bytes[0] | bytes[1] << 8);
    return 1;
}
