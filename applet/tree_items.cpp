#include "applet/tree_items.h"

#include "config/node_index.h"

ButtonStates ButtonStatesFor(uint32_t itemData, bool isPnpOs)
{
    bool root = (itemData & NODE_ROOT) != 0;
    bool device = (itemData & NODE_DEVICE) != 0;
    return ButtonStates{!root, !root, device, device || (!root && isPnpOs)};
}

std::string NodeKeyPathFor(uint32_t itemData, uint32_t parentData)
{
    char path[10];
    if (itemData & NODE_INTERFACE)
        return FormatNodeIndex(itemData & NODE_NUMBER_MASK, path, sizeof path);
    if (itemData & NODE_DEVICE) {
        FormatDevicePath(parentData & NODE_NUMBER_MASK, itemData & NODE_NUMBER_MASK, path, sizeof path);
        return path;
    }
    return std::string();
}
