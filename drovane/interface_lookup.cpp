#include "drovane/interface_lookup.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/interface_names.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "discovery/board_discovery.h"
#include "drovane/drovane.h"
#include "text/text_compare.h"

#include <cstring>

namespace {

const int kDefaultInterfaceCount = 4;

// Plug-and-Play systems: a board that discovery finds. Legacy NT: a model of
// the hardware store, the first element of the key.
bool BoardPresent(const char* hardwareKey)
{
    if (!*hardwareKey)
        return false;
    std::string wanted = hardwareKey;
    if (!IsPnpOs())
        wanted = wanted.substr(0, wanted.find('\\'));
    HardwareKeyList boards = ListInstalledBoards();
    for (int i = 0; i < boards.count; ++i) {
        if (boards.slots[i] && EqualNoCase(boards.slots[i], wanted))
            return true;
    }
    return false;
}

// "IEEE0" to "IEEE3", in any case.
int LookUpDefaultInterface(const char* name, std::string& busName)
{
    const char kPrefix[] = "IEEE";
    const size_t digit = sizeof kPrefix - 1;
    if (std::strlen(name) != digit + 1 || !StartsWithNoCase(name, kPrefix) || name[digit] < '0' ||
        name[digit] >= '0' + kDefaultInterfaceCount)
        return DRV_ERR_UNKNOWN_NAME;
    busName = kPrefix;
    busName += name[digit];
    return DRV_ERR_NONE;
}

} // namespace

int LookUpInterface(const char* name, std::string& busName, std::string& adapter)
{
    adapter.clear();
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return LookUpDefaultInterface(name, busName);
    RegKey holder(root, HKEY_CURRENT_USER);
    std::string node;
    HKEY key = nullptr;
    if (!FindNamedInterface(root, name, node, busName) || RegOpenKeyA(root, node.c_str(), &key) != ERROR_SUCCESS)
        return DRV_ERR_UNKNOWN_NAME;
    RegKey nodeKey(key, root);
    char hardwareKey[kHardwareKeySize];
    if (!RegReadTyped(key, kHardwareKey, hardwareKey, sizeof hardwareKey, REG_SZ))
        hardwareKey[0] = '\0';
    char url[kHardwareKeySize];
    if (RegReadTyped(key, kAdapter, url, sizeof url, REG_SZ))
        adapter = url;
    return !adapter.empty() || BoardPresent(hardwareKey) ? DRV_ERR_NONE : DRV_ERR_NO_BOARD;
}

std::vector<NumberedInterface> OpenableInterfaces()
{
    HKEY root = nullptr;
    if (ConfigOpenNode(nullptr, &root)) {
        RegKey holder(root, HKEY_CURRENT_USER);
        return NumberedInterfaces();
    }
    std::vector<NumberedInterface> defaults;
    for (int number = 0; number < kDefaultInterfaceCount; ++number)
        defaults.push_back({number, "", "IEEE" + std::to_string(number)});
    return defaults;
}
