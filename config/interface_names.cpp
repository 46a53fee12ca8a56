#include "config/interface_names.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/node_index.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "text/text_compare.h"

namespace {

// The node's "UserName" when it is text.
bool NameOf(HKEY root, const std::string& node, char (&label)[kUserNameSize])
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, node.c_str(), &key) != ERROR_SUCCESS)
        return false;
    RegKey nodeKey(key, root);
    return RegReadTyped(key, kUserName, label, sizeof label, REG_SZ) != 0;
}

// A stored secondary address the bus knows, else none.
int SecondaryOf(DWORD stored)
{
    return stored <= GPIB_MAX_ADDRESS ? static_cast<int>(stored) : GPIB_NO_SECONDARY;
}

} // namespace

bool FindNamedInterface(HKEY root, const char* name, std::string& node, std::string& storedName)
{
    for (const std::string& child : ConfigNodeNames(root)) {
        char label[kUserNameSize];
        if (NameOf(root, child, label) && EqualNoCase(label, name)) {
            node = child;
            storedName = label;
            return true;
        }
    }
    return false;
}

std::string NamedInterfaceNode(const std::string& name)
{
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return "";
    RegKey holder(root, HKEY_CURRENT_USER);
    std::string node;
    std::string storedName;
    return FindNamedInterface(root, name.c_str(), node, storedName) ? node : "";
}

std::vector<std::string> ConfiguredInterfaceNames()
{
    std::vector<std::string> names;
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return names;
    RegKey holder(root, HKEY_CURRENT_USER);
    for (const std::string& child : ConfigNodeNames(root)) {
        char label[kUserNameSize];
        names.push_back(NameOf(root, child, label) ? label : child);
    }
    return names;
}

std::vector<NumberedInterface> NumberedInterfaces()
{
    std::vector<NumberedInterface> interfaces;
    HKEY root = nullptr;
    if (!ConfigOpenNode(nullptr, &root))
        return interfaces;
    RegKey holder(root, HKEY_CURRENT_USER);
    for (const std::string& child : ConfigNodeNames(root)) {
        char label[kUserNameSize];
        if (NameOf(root, child, label))
            interfaces.push_back({ParseNodeIndex(child.c_str()), child, label});
    }
    return interfaces;
}

std::vector<ConfiguredDevice> ConfiguredDevices(const std::string& node)
{
    std::vector<ConfiguredDevice> devices;
    HKEY key = nullptr;
    if (!ConfigOpenNode(node.c_str(), &key))
        return devices;
    RegKey holder(key, nullptr);
    for (const std::string& child : ConfigNodeNames(key)) {
        HKEY deviceKey = nullptr;
        if (RegOpenKeyA(key, child.c_str(), &deviceKey) != ERROR_SUCCESS)
            continue;
        RegKey device(deviceKey, key);
        DWORD primary = RegFetchDword(deviceKey, kPrimaryAddress, ~0u);
        if (primary > GPIB_MAX_ADDRESS)
            continue;
        char label[kUserNameSize];
        std::string name = RegReadTyped(deviceKey, kUserName, label, sizeof label, REG_SZ) ? label : child;
        devices.push_back({name, static_cast<int>(primary),
                           SecondaryOf(RegFetchDword(deviceKey, kSecondaryAddress, kNoSecondaryAddress))});
    }
    return devices;
}
