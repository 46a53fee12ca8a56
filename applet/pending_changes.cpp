#include "applet/pending_changes.h"

#include "applet/tree_items.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "setup/setup_exports.h"

#include <algorithm>

namespace {

bool CommitItem(const PendingItem& item)
{
    const char* path = item.path.c_str();
    bool created = ConfigCreateNode(path, (item.data & NODE_INTERFACE) ? 1 : 0, nullptr) != 0;
    bool named = ConfigSetUserName(path, item.label.c_str()) != 0;
    return created && named;
}

bool Contains(const std::vector<UnsavedNode>& nodes, const std::string& path)
{
    return std::any_of(nodes.begin(), nodes.end(), [&path](const UnsavedNode& node) { return node.path == path; });
}

} // namespace

std::string StoredNodeLabel(const std::string& nodePath)
{
    char label[kUserNameSize];
    if (ConfigReadString(nodePath.c_str(), kUserName, label, sizeof label))
        return label;
    return nodePath.substr(nodePath.find_last_of('\\') + 1);
}

std::string StoredNodeLabel(HKEY parentKey, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(parentKey, name.c_str(), &key) != ERROR_SUCCESS)
        return name;
    RegKey node(key, parentKey);
    char label[kUserNameSize];
    return RegReadTyped(key, kUserName, label, sizeof label, REG_SZ) ? std::string(label) : name;
}

std::vector<UnsavedNode> CommitPendingChanges(PendingChanges& changes)
{
    std::vector<UnsavedNode> unsaved;
    for (PendingItem& item : changes.items) {
        if (CommitItem(item))
            item.data &= ~(NODE_NAME_CHANGED | NODE_ADDED);
        else
            unsaved.push_back({item.label, item.path});
    }
    std::vector<std::string> removals;
    removals.swap(changes.removedKeys);
    for (const std::string& path : removals) {
        if (!ConfigDeleteNode(path.c_str())) {
            unsaved.push_back({StoredNodeLabel(path), path});
            changes.removedKeys.push_back(path);
        }
    }
    changes.addedKeys.erase(std::remove_if(changes.addedKeys.begin(), changes.addedKeys.end(),
                                           [&unsaved](const std::string& path) { return !Contains(unsaved, path); }),
                            changes.addedKeys.end());
    if (!IsPnpOs())
        RegInitDrvrConfigNT();
    return unsaved;
}
