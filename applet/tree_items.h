// What a tree item of the bus configuration page stands for, and the
// decisions taken from it. Portable: no window is needed to decide.
#pragma once

#include <cstdint>
#include <string>

// Tree item data: the node number in the low 16 bits, then the flags.
const uint32_t NODE_NUMBER_MASK = 0xFFFF;
const uint32_t NODE_DEVICE = 0x10000;
const uint32_t NODE_INTERFACE = 0x20000;
const uint32_t NODE_ROOT = 0x40000;
const uint32_t NODE_NAME_CHANGED = 0x100000;
const uint32_t NODE_ADDED = 0x200000;

struct ButtonStates {
    bool properties;
    bool addDevice;
    bool remove;
    bool rename;
};

// The page's buttons while an item with this data is selected. Rename stays
// disabled for the root, which has no node of its own to rename.
ButtonStates ButtonStatesFor(uint32_t itemData, bool isPnpOs);

// The node key path of an item relative to the configuration root: "0002"
// for an interface, "0002\0001" for a device, "" for the root.
std::string NodeKeyPathFor(uint32_t itemData, uint32_t parentData);
