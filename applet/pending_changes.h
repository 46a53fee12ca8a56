// The page's pending changes and their commit, apart from the tree: what
// is written, in which order, and what stays pending when the registry
// refuses a write.
#pragma once

#include "platform/win32.h"
#include "properties/not_saved.h"

#include <cstdint>
#include <string>
#include <vector>

// A tree item whose data carries NODE_NAME_CHANGED or NODE_ADDED.
struct PendingItem {
    std::string path;
    std::string label;
    uint32_t data;
};

struct PendingChanges {
    // In the tree's pre-order.
    std::vector<PendingItem> items;
    std::vector<std::string> removedKeys;
    std::vector<std::string> addedKeys;
};

// A node's label as stored: its "UserName", or the last element of its path.
std::string StoredNodeLabel(const std::string& nodePath);
// The same for the node `name` under an open node key (or the root's).
std::string StoredNodeLabel(HKEY parentKey, const std::string& name);

// Commits in order: each item's node (created if gone, absent defaults
// filled in) and its name, then the removals, then the additions become
// permanent, then on legacy NT the hand-over to the driver. What the
// registry refused stays pending: an item keeps its flags, a removal its
// entry, and an added device whose node has something pending stays added.
// Returns the nodes not saved, in that order.
std::vector<UnsavedNode> CommitPendingChanges(PendingChanges& changes);
