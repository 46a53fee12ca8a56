// Decisions of the bus configuration page taken from a tree item.
#include "applet/tree_items.h"
#include "buslink/interface_check.h"

#include <gtest/gtest.h>

TEST(TreeItems, ButtonStatesByItemKindAndFamily)
{
    struct Case {
        uint32_t data;
        bool pnp;
        bool properties, add, remove, rename;
    } cases[] = {
        {NODE_ROOT, true, false, false, false, false},
        {NODE_ROOT, false, false, false, false, false},
        {NODE_INTERFACE | 2, true, true, true, false, true},
        {NODE_INTERFACE | 2, false, true, true, false, false},
        {NODE_DEVICE | 5, true, true, true, true, true},
        {NODE_DEVICE | NODE_ADDED | NODE_NAME_CHANGED | 5, false, true, true, true, true},
    };
    for (const Case& c : cases) {
        ButtonStates states = ButtonStatesFor(c.data, c.pnp);
        EXPECT_EQ(states.properties, c.properties) << std::hex << c.data << " pnp " << c.pnp;
        EXPECT_EQ(states.addDevice, c.add) << std::hex << c.data << " pnp " << c.pnp;
        EXPECT_EQ(states.remove, c.remove) << std::hex << c.data << " pnp " << c.pnp;
        EXPECT_EQ(states.rename, c.rename) << std::hex << c.data << " pnp " << c.pnp;
    }
}

TEST(TreeItems, DriverAnswersAndKeyPaths)
{
    EXPECT_EQ(DriverCheckFromError(107), DriverCheck::Accepted);
    EXPECT_EQ(DriverCheckFromError(118), DriverCheck::Accepted);
    EXPECT_EQ(DriverCheckFromError(120), DriverCheck::Unrecognised);
    EXPECT_EQ(DriverCheckFromError(109), DriverCheck::Failed);
    EXPECT_EQ(DriverCheckFromError(0), DriverCheck::Failed);

    EXPECT_EQ(NodeKeyPathFor(NODE_INTERFACE | 2, NODE_ROOT), "0002");
    EXPECT_EQ(NodeKeyPathFor(NODE_DEVICE | NODE_ADDED | 0x11, NODE_INTERFACE | NODE_NAME_CHANGED | 3), "0003\\0011");
    EXPECT_EQ(NodeKeyPathFor(NODE_ROOT, 0), "");
}
