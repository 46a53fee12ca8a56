#include "setup/setup_exports.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/isa_models.h"
#include "config/node_index.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "config/text_utils.h"
#include "discovery/board_discovery.h"
#include "setup/driver_handover.h"

#include <cstdio>
#include <string>

namespace {

const int kInterfaceCount = 4;
// Beside the ISA family's driver, the service named after the other model,
// whose numbered keys a hand-over rebuilds too.
const char kQuoranDriverService[] = "Quoran";

// Completes the device nodes an interface already has.
void CompleteDevices(HKEY interfaceKey)
{
    for (const std::string& device : ConfigNodeNames(interfaceKey))
        ConfigCreateChildNode(interfaceKey, device.c_str(), 0, nullptr);
}

void InitInterface(int number, const HardwareKeyList& boards)
{
    char node[kNodeNameSize];
    FormatNodeIndex(static_cast<unsigned>(number), node, sizeof node);
    std::string userName = "IEEE" + std::to_string(number);
    ConfigCreateNode(node, 1, userName.c_str());
    HKEY key = nullptr;
    if (!ConfigOpenNode(node, &key))
        return;
    RegKey holder(key, HKEY_CURRENT_USER);

    const char* hardwareKey = "";
    if (number < boards.count)
        hardwareKey = IsPnpOs() ? boards.slots[number] : JoinKeyPath(boards.slots[number], node);
    // A model name too long to join leaves the interface unbound.
    RegPutStringIfAbsent(key, kHardwareKey, hardwareKey ? hardwareKey : "");

    if (!RegHasSubkey(key)) {
        char path[10];
        FormatDevicePath(static_cast<unsigned>(number), 0, path, sizeof path);
        std::string deviceName = number == 0 ? "Wave" : "Wave" + std::to_string(number);
        ConfigCreateNode(path, 0, deviceName.c_str());
    } else {
        CompleteDevices(key);
    }
}

// Writes the four instance keys of a model in the hardware store.
int WriteInstanceKeys(HKEY modelKey, const char* model)
{
    const IsaModel* isa = FindIsaModel(model);
    for (unsigned j = 0; j < 4; ++j) {
        char name[kNodeNameSize];
        FormatNodeIndex(j, name, sizeof name);
        HKEY key = nullptr;
        if (RegCreateKeyA(modelKey, name, &key) != ERROR_SUCCESS)
            return 0;
        RegKey instance(key, modelKey);
        int written = isa ? RegPutDwordIfAbsent(key, kPortAddr, isa->portAddr) &&
                                RegPutDwordIfAbsent(key, kIrqLevel, isa->irqLevel) &&
                                RegPutDwordIfAbsent(key, kIrqNone, 0) && RegPutDwordIfAbsent(key, kDmaChan, isa->dmaChan) &&
                                RegPutDwordIfAbsent(key, kDmaNone, 0)
                          : RegPutDwordIfAbsent(key, kHardwareInst, 0);
        if (!written)
            return 0;
    }
    return 1;
}

std::string ServicePath(const char* serviceName)
{
    return std::string(kServicesPath) + "\\" + serviceName;
}

// Deletes the numbered driver parameter keys "0", "1", ... of a service.
void ClearServiceInstances(const char* serviceName)
{
    std::string path = ServicePath(serviceName);
    for (DWORD n = 0; n < kMaxDriverInstances; ++n) {
        if (!RegDeletePathSubkey(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, std::to_string(n).c_str()))
            break;
    }
}

// Creates the first free numbered driver parameter key of an installed service.
int CreateServiceInstance(const char* serviceName, HKEY* instance)
{
    HKEY service = nullptr;
    if (!RegOpenPath(HKEY_LOCAL_MACHINE, ServicePath(serviceName).c_str(), nullptr, &service, 0))
        return 0;
    RegKey holder(service, HKEY_LOCAL_MACHINE);
    for (DWORD n = 0; n < kMaxDriverInstances; ++n) {
        std::string name = std::to_string(n);
        if (RegPathExists(service, name.c_str(), nullptr))
            continue;
        return RegCreateKeyA(service, name.c_str(), instance) == ERROR_SUCCESS;
    }
    return 0;
}

int HandOverInterface(const char* node)
{
    char hardwareKey[kHandOverHardwareKeySize];
    if (!ConfigReadString(node, kHardwareKey, hardwareKey, sizeof hardwareKey))
        return 0;
    std::string service;
    if (!ServiceForHardwareKey(hardwareKey, service))
        return 0;
    HKEY key = nullptr;
    if (!CreateServiceInstance(service.c_str(), &key))
        return 0;
    RegKey parameters(key, HKEY_LOCAL_MACHINE);
    char userName[kUserNameSize];
    DWORD primaryAddress = 0;
    DWORD systemController = 0;
    return ConfigReadString(node, kUserName, userName, sizeof userName) && RegPutString(key, kUserName, userName) &&
           ConfigReadDword(node, kPrimaryAddress, &primaryAddress) &&
           RegPutDword(key, kPrimaryAddress, primaryAddress) &&
           ConfigReadDword(node, kSystemController, &systemController) &&
           RegPutDword(key, kSystemController, systemController) &&
           RegCopyPathValues(HKEY_LOCAL_MACHINE, kHardwareStorePath, hardwareKey, key);
}

} // namespace

void WINAPI RegInitUserConfig()
{
    HardwareKeyList boards = ListInstalledBoards();
    for (int i = 0; i < kInterfaceCount; ++i)
        InitInterface(i, boards);
}

int WINAPI RegInitHdwrConfigNT(const char* model, const char* description, const char* driver)
{
    if (IsPnpOs() || !IsValidString(model) || !IsValidString(description))
        return 0;
    HKEY store = nullptr;
    if (!RegOpenPath(HKEY_LOCAL_MACHINE, kHardwareStorePath, nullptr, &store, 1))
        return 0;
    RegKey storeHolder(store, HKEY_LOCAL_MACHINE);
    HKEY modelKey = nullptr;
    if (RegCreateKeyA(store, model, &modelKey) != ERROR_SUCCESS)
        return 0;
    RegKey modelHolder(modelKey, store);
    int result = RegPutDefaultIfAbsent(modelKey, description);
    // An unreadable driver text is not recorded; the applet never reads it.
    if (result && driver && !IsBadStringPtrA(driver, 0xFFFF))
        result = RegPutStringIfAbsent(modelKey, "Driver", driver);
    return result && WriteInstanceKeys(modelKey, model);
}

int WINAPI RegInitDrvrConfigNT()
{
    ClearServiceInstances(kIsaDriverService);
    ClearServiceInstances(kQuoranDriverService);
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return 0;
    RegKey holder(root, HKEY_CURRENT_USER);
    for (const std::string& node : ConfigNodeNames(root)) {
        if (!HandOverInterface(node.c_str()))
            return 0;
    }
    return 1;
}

int WINAPI EnumInterface(int index, char* buffer, int size)
{
    if (!buffer || size < 1 || index < 0)
        return 0;
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return 0;
    char node[kNodeNameSize];
    {
        RegKey holder(root, HKEY_CURRENT_USER);
        if (RegEnumKeyA(root, static_cast<DWORD>(index), node, sizeof node) != ERROR_SUCCESS)
            return 0;
    }
    return ConfigReadString(node, kUserName, buffer, static_cast<unsigned>(size));
}

DWORD WINAPI ClassInstall(UINT, void*, void*)
{
    return kDoDefaultAction;
}
