// The page's commit apart from its tree: what it writes, in which order, and
// what stays pending when the registry refuses a write.
#include "system_fixture.h"

#include "applet/pending_changes.h"
#include "applet/tree_items.h"
#include "service/driver_service.h"
#include "setup/setup_exports.h"

#include <string>
#include <vector>

namespace {

const char kConfiguration[] = "REGEDIT4\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0000]\n\"UserName\"=\"Wave\"\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0005]\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"IEEE1\"\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002\\0000]\n\"UserName\"=\"Wave2\"\n"
                              // A key with subkeys cannot be deleted.
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002\\0000\\Extra]\n"
                              "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0003\\0000]\n\"UserName\"=\"Wave3\"\n";

std::string Node(const std::string& path)
{
    return "Software\\Korvex\\IEEE\\" + path;
}

std::vector<std::string> Texts(const std::vector<UnsavedNode>& nodes)
{
    std::vector<std::string> texts;
    for (const UnsavedNode& node : nodes)
        texts.push_back(node.label + " (" + node.path + ")");
    return texts;
}

// A renamed interface 0001, a renamed device 0000\0000, a device 0000\0005
// added and named, and the removals of 0002\0000 and 0003\0000.
PendingChanges ADaysChanges()
{
    PendingChanges changes;
    changes.items = {
        {"0000\\0000", "Scope", NODE_DEVICE | NODE_NAME_CHANGED | 0},
        {"0000\\0005", "New Device", NODE_DEVICE | NODE_ADDED | NODE_NAME_CHANGED | 5},
        {"0001", "Bench", NODE_INTERFACE | NODE_NAME_CHANGED | 1},
    };
    changes.removedKeys = {"0002\\0000", "0003\\0000"};
    changes.addedKeys = {"0000\\0005"};
    return changes;
}

} // namespace

using PendingChangesCommit = Nt5System;

TEST_F(PendingChangesCommit, RefusedNodesStayPendingAndTheRestIsWritten)
{
    LoadReg(kConfiguration);
    PendingChanges changes = ADaysChanges();
    std::vector<UnsavedNode> unsaved;
    {
        ReadOnlyKey interfaceKey(HKEY_CURRENT_USER, Node("0001").c_str());
        ASSERT_TRUE(interfaceKey.Made());
        unsaved = CommitPendingChanges(changes);
    }
    EXPECT_EQ(Texts(unsaved), (std::vector<std::string>{"Bench (0001)", "Wave2 (0002\\0000)"}))
        << "the refused nodes, in commit order, the removal by its stored name";
    EXPECT_EQ(changes.items[0].data, NODE_DEVICE | 0u) << "written: its flag is cleared";
    EXPECT_EQ(changes.items[1].data, NODE_DEVICE | 5u);
    EXPECT_EQ(changes.items[2].data, NODE_INTERFACE | NODE_NAME_CHANGED | 1u) << "refused: still pending";
    EXPECT_EQ(changes.removedKeys, std::vector<std::string>{"0002\\0000"});
    EXPECT_TRUE(changes.addedKeys.empty()) << "the added device was written: it is permanent";

    EXPECT_EQ(ReadString(Open(HKEY_CURRENT_USER, Node("0000\\0000").c_str()).Get(), "UserName"), "Scope");
    EXPECT_EQ(ReadString(Open(HKEY_CURRENT_USER, Node("0000\\0005").c_str()).Get(), "UserName"), "New Device");
    EXPECT_EQ(ReadDword(Open(HKEY_CURRENT_USER, Node("0000\\0005").c_str()).Get(), "Timeout"), 10000u)
        << "an added node receives its defaults";
    EXPECT_EQ(ReadString(Open(HKEY_CURRENT_USER, Node("0001").c_str()).Get(), "UserName"), "IEEE1");
    EXPECT_TRUE(Open(HKEY_CURRENT_USER, Node("0002\\0000").c_str()).Get()) << "its removal was refused";
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, Node("0003\\0000").c_str()).Get());

    // The permissions are back and the subkey gone: the next Apply writes what stayed pending.
    LoadReg("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002\\0000\\Extra]\n");
    PendingChanges next;
    next.items = {changes.items[2]};
    next.removedKeys = changes.removedKeys;
    EXPECT_TRUE(CommitPendingChanges(next).empty());
    EXPECT_EQ(next.items[0].data, NODE_INTERFACE | 1u);
    EXPECT_TRUE(next.removedKeys.empty());
    EXPECT_EQ(ReadString(Open(HKEY_CURRENT_USER, Node("0001").c_str()).Get(), "UserName"), "Bench");
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, Node("0002\\0000").c_str()).Get());
}

TEST_F(PendingChangesCommit, AnAddedDeviceNotWrittenStaysAdded)
{
    LoadReg(kConfiguration);
    PendingChanges changes = ADaysChanges();
    changes.removedKeys.clear();
    std::vector<UnsavedNode> unsaved;
    {
        ReadOnlyKey added(HKEY_CURRENT_USER, Node("0000\\0005").c_str());
        ASSERT_TRUE(added.Made());
        unsaved = CommitPendingChanges(changes);
    }
    EXPECT_EQ(Texts(unsaved), std::vector<std::string>{"New Device (0000\\0005)"});
    EXPECT_EQ(changes.items[1].data, NODE_DEVICE | NODE_ADDED | NODE_NAME_CHANGED | 5u);
    EXPECT_EQ(changes.addedKeys, std::vector<std::string>{"0000\\0005"}) << "Cancel still removes it";
    EXPECT_EQ(changes.items[2].data, NODE_INTERFACE | 1u) << "the other items were written";
}

TEST_F(LegacyNtSystem, CommitHandsOverAfterARefusedWrite)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex"), 1);
    RegInitUserConfig();
    ASSERT_EQ(InstallDriverNT("Rumex", nullptr, kStubDriverPath), 1);
    PendingChanges changes;
    changes.items = {{"0000", "Bench", NODE_INTERFACE | NODE_NAME_CHANGED | 0},
                     {"0000\\0000", "Scope", NODE_DEVICE | NODE_NAME_CHANGED | 0}};
    std::vector<UnsavedNode> unsaved;
    {
        ReadOnlyKey device(HKEY_CURRENT_USER, Node("0000\\0000").c_str());
        ASSERT_TRUE(device.Made());
        unsaved = CommitPendingChanges(changes);
    }
    EXPECT_EQ(Texts(unsaved), std::vector<std::string>{"Scope (0000\\0000)"});
    RegKey parameters = Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Rumex\\0");
    EXPECT_EQ(ReadString(parameters.Get(), "UserName"), "Bench") << "the hand-over still follows the writes";
}

// The tree reads labels through the open interface key; removals read them by path.
TEST_F(PendingChangesCommit, StoredLabelsThroughTheParentKeyAgreeWithThoseByPath)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"UserName\"=\"Scope\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0002]\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0003]\n\"UserName\"=dword:00000001\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0004]\n"
            "\"UserName\"=\"a name of thirty-two characters.\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0005]\n\"UserName\"=\"\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0006]\n"
            "\"UserName\"=\"a name of thirty-one characters\"\n");
    RegKey interfaceKey = Open(HKEY_CURRENT_USER, Node("0000").c_str());
    ASSERT_TRUE(interfaceKey.Get());
    const char* const expected[][2] = {
        {"0001", "Scope"}, {"0002", "0002"}, {"0003", "0003"}, {"0004", "0004"}, {"0005", ""},
        {"0006", "a name of thirty-one characters"}, {"0009", "0009"},
    };
    for (const auto& [name, label] : expected) {
        EXPECT_EQ(StoredNodeLabel(interfaceKey.Get(), name), label) << name;
        EXPECT_EQ(StoredNodeLabel(std::string("0000\\") + name), label) << name;
    }
}

TEST(NotSaved, NamesEachNodeByLabelAndPath)
{
    EXPECT_EQ(NotSavedText("Refused.", {{"Bench", "0001"}, {"Scope", "0000\\0002"}}),
              "Refused.\n\nBench (0001)\nScope (0000\\0002)");
}
