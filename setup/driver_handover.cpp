#include "setup/driver_handover.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/isa_models.h"
#include "config/reg_key.h"
#include "config/registry_access.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The most values a copy of an instance key takes.
const DWORD kMaxValues = 1000;

struct StoredValue {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue& other) const { return type == other.type && bytes == other.bytes; }
};

bool ReadValue(HKEY key, const char* name, StoredValue& value)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value.bytes.resize(size ? size : 1);
    if (RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return false;
    value.bytes.resize(size);
    return true;
}

// A parameter key's number, for names that are decimal numbers below 1000.
bool ParseInstanceNumber(const char* name, unsigned long& number)
{
    if (!*name || std::strspn(name, "0123456789") != std::strlen(name) || std::strlen(name) > 3)
        return false;
    number = std::strtoul(name, nullptr, 10);
    return number < kMaxDriverInstances;
}

// The highest-numbered parameter key of the service that carries the name:
// the one the latest hand-over made, since each takes the lowest free number
// after the keys it kept.
RegKey LatestParameterKey(HKEY service, const char* userName)
{
    bool found = false;
    unsigned long latest = 0;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(service, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        unsigned long number = 0;
        char stored[kUserNameSize];
        if (!ParseInstanceNumber(name, number) ||
            !RegReadPathString(service, name, nullptr, kUserName, stored, sizeof stored) ||
            std::strcmp(stored, userName) != 0)
            continue;
        if (!found || number > latest)
            latest = number;
        found = true;
    }
    HKEY key = nullptr;
    if (!found || RegOpenKeyA(service, std::to_string(latest).c_str(), &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key, service);
}

bool HasDword(HKEY key, const char* name, DWORD expected)
{
    DWORD number = 0;
    return RegReadPathDword(key, nullptr, nullptr, name, &number) && number == expected;
}

// Every named value of the instance key is in the parameter key, unchanged.
bool HoldsInstanceValues(const char* hardwareKey, HKEY parameters)
{
    HKEY key = nullptr;
    if (!RegOpenPath(HKEY_LOCAL_MACHINE, kHardwareStorePath, hardwareKey, &key, 0))
        return false;
    RegKey instance(key, HKEY_LOCAL_MACHINE);
    for (DWORD index = 0; index < kMaxValues; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (name[0] == '\0')
            continue;
        StoredValue source, copy;
        if (!ReadValue(key, name, source) || !ReadValue(parameters, name, copy) || !(source == copy))
            return false;
    }
    return true;
}

// No board: no "HardwareKey", or one without an element. A key that is there
// but cannot be read is a board the hand-over failed on.
bool IsUnbound(const char* node)
{
    DWORD size = 0;
    if (!RegReadPathSize(HKEY_CURRENT_USER, kConfigRootPath, node, kHardwareKey, &size))
        return true;
    char hardwareKey[kHandOverHardwareKeySize];
    std::string service;
    return ConfigReadString(node, kHardwareKey, hardwareKey, sizeof hardwareKey) &&
           !ServiceForHardwareKey(hardwareKey, service);
}

} // namespace

bool ServiceForHardwareKey(const char* hardwareKey, std::string& service)
{
    service = BoardModelOf(hardwareKey);
    if (service.empty())
        return false;
    if (IsIsaModel(service.c_str()))
        service = kIsaDriverService;
    return true;
}

bool InterfaceHandedOverWhole(const char* node)
{
    char hardwareKey[kHandOverHardwareKeySize];
    char userName[kUserNameSize];
    DWORD primaryAddress = 0;
    DWORD systemController = 0;
    std::string service;
    if (!ConfigReadString(node, kHardwareKey, hardwareKey, sizeof hardwareKey) ||
        !ServiceForHardwareKey(hardwareKey, service) ||
        !ConfigReadString(node, kUserName, userName, sizeof userName) ||
        !ConfigReadDword(node, kPrimaryAddress, &primaryAddress) ||
        !ConfigReadDword(node, kSystemController, &systemController))
        return false;
    HKEY key = nullptr;
    if (!RegOpenPath(HKEY_LOCAL_MACHINE, kServicesPath, service.c_str(), &key, 0))
        return false;
    RegKey serviceKey(key, HKEY_LOCAL_MACHINE);
    RegKey parameters = LatestParameterKey(key, userName);
    return parameters.Get() && HasDword(parameters.Get(), kPrimaryAddress, primaryAddress) &&
           HasDword(parameters.Get(), kSystemController, systemController) &&
           HoldsInstanceValues(hardwareKey, parameters.Get());
}

bool HandOverEndedAtUnbound(std::string& unbound, std::string& failed)
{
    unbound.clear();
    failed.clear();
    HKEY key = nullptr;
    if (!ConfigOpenNode(nullptr, &key))
        return false;
    RegKey root(key, HKEY_CURRENT_USER);
    // The interfaces in the order the hand-over takes them.
    for (const std::string& node : ConfigNodeNames(key)) {
        if (IsUnbound(node.c_str())) {
            unbound = node;
            return true;
        }
        if (!InterfaceHandedOverWhole(node.c_str())) {
            failed = node;
            return false;
        }
    }
    return false;
}
