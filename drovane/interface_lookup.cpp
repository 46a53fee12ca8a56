#include "drovane/interface_lookup.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "discovery/board_discovery.h"
#include "drovane/drovane.h"
#include "text/text_compare.h"

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

int LookUpDefaultInterface(const char* name, std::string& busName)
{
    for (int number = 0; number < kDefaultInterfaceCount; ++number) {
        std::string candidate = "IEEE" + std::to_string(number);
        if (EqualNoCase(candidate, name)) {
            busName = candidate;
            return DRV_ERR_NONE;
        }
    }
    return DRV_ERR_UNKNOWN_NAME;
}

} // namespace

int LookUpInterface(const char* name, std::string& busName, std::string& adapter)
{
    adapter.clear();
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return LookUpDefaultInterface(name, busName);
    RegKey holder(root, HKEY_CURRENT_USER);
    for (const std::string& node : ConfigNodeNames(root)) {
        // An interface without a name of text has no name to open it by.
        char label[kUserNameSize];
        if (!ConfigReadString(node.c_str(), kUserName, label, sizeof label) || !EqualNoCase(label, name))
            continue;
        char hardwareKey[kHardwareKeySize];
        if (!ConfigReadString(node.c_str(), kHardwareKey, hardwareKey, sizeof hardwareKey))
            hardwareKey[0] = '\0';
        busName = label;
        char url[kHardwareKeySize];
        if (ConfigReadString(node.c_str(), kAdapter, url, sizeof url))
            adapter = url;
        return !adapter.empty() || BoardPresent(hardwareKey) ? DRV_ERR_NONE : DRV_ERR_NO_BOARD;
    }
    return DRV_ERR_UNKNOWN_NAME;
}
