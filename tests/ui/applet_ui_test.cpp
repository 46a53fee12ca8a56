// The applet as the Control Panel runs it: the real sheet, page and tree,
// driven from a thread timer, checked against the registry.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "applet/tree_items.h"
#include "resources/resource.h"
#include "service/driver_service.h"

#include <set>
#include <string>
#include <vector>

namespace {

// Image indices in the page's image list, in the order the page loads them.
const int kRootImage = 0;
const int kAcceptedImage = 1;
const int kFailedImage = 2;
const int kUnrecognisedImage = 3;
const int kDeviceImage = 4;

struct Buttons {
    bool properties, addDevice, remove, rename;
    bool operator==(const Buttons& o) const
    {
        return properties == o.properties && addDevice == o.addDevice && remove == o.remove && rename == o.rename;
    }
};

std::ostream& operator<<(std::ostream& out, const Buttons& b)
{
    return out << "{properties " << b.properties << ", add " << b.addDevice << ", remove " << b.remove << ", rename "
               << b.rename << "}";
}

Buttons ButtonsNow()
{
    HWND sheet = Sheet();
    return Buttons{IsEnabled(sheet, IDC_PROPERTIES), IsEnabled(sheet, IDC_ADD_DEVICE), IsEnabled(sheet, IDC_REMOVE),
                   IsEnabled(sheet, IDC_RENAME)};
}

// Changes an item's label and flags in the tree, as the commands that leave
// a pending rename do.
void RenamePending(HWND tree, HTREEITEM item, const std::string& label)
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    tv.mask = TVIF_TEXT | TVIF_PARAM;
    tv.pszText = const_cast<char*>(label.c_str());
    tv.lParam |= NODE_NAME_CHANGED;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    HWND page = GetParent(tree);
    SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

// A Plug-and-Play board served by a driver of the group, bound to IEEE0.
const char kOneBoard[] = "REGEDIT4\n"
                         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexA\\Enum]\n"
                         "\"Count\"=dword:00000001\n\"0\"=\"ROOT\\\\KVX488\\\\0000\"\n";

} // namespace

TEST(AppletProtocol, AnswersTheControlPanel)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded()) << QUENBUS_CPL_PATH;
    EXPECT_EQ(cpl.Send(CPL_INIT), 1);
    EXPECT_EQ(cpl.Send(CPL_GETCOUNT), 1);
    CPLINFO info = {-1, -1, -1, -1};
    EXPECT_EQ(cpl.Send(CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.idIcon, IDI_PLUG);
    EXPECT_EQ(info.idName, IDS_APPLET_NAME);
    EXPECT_EQ(info.idInfo, IDS_APPLET_INFO);
    EXPECT_EQ(info.lData, 0);
    NEWCPLINFOA newInfo = {};
    newInfo.dwSize = 0x5EED;
    EXPECT_EQ(cpl.Send(CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&newInfo)), 0);
    EXPECT_EQ(newInfo.dwSize, 0x5EEDu) << "the record is left alone";
    EXPECT_NE(cpl.Send(CPL_INQUIRE, 0, 0), 0) << "no record to fill is refused";
    EXPECT_EQ(cpl.Send(CPL_NEWINQUIRE, 0, 0), 0) << "nothing is filled, so nothing to refuse";
    EXPECT_EQ(cpl.Send(CPL_SELECT), 0);
    EXPECT_EQ(cpl.Send(99), 0);

    char text[128];
    HMODULE module = GetModuleHandleA(QUENBUS_CPL_PATH);
    ASSERT_TRUE(LoadStringA(module, IDS_APPLET_NAME, text, sizeof text));
    EXPECT_STREQ(text, "IEEE 488");
    ASSERT_TRUE(LoadStringA(module, IDS_APPLET_INFO, text, sizeof text));
    EXPECT_STREQ(text, "Changes IEEE 488 bus configuration and communication settings.");
    EXPECT_NE(LoadImageA(module, MAKEINTRESOURCEA(IDI_PLUG), IMAGE_ICON, 32, 32, 0), nullptr);
    EXPECT_EQ(cpl.Send(CPL_STOP), 0);
    EXPECT_EQ(cpl.Send(CPL_EXIT), 0);
}

TEST_F(Nt5System, AppletShowsTheBusWithTheDriversAnswers)
{
    ScopedService board("QbVexA", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(board.Created());
    LoadReg(kOneBoard);
    // Interface 0003's name is not a text: it shows under its key name.
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0003]\n\"UserName\"=dword:00000001\n");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());

    OpenApplet(cpl, {
        [] {
            EXPECT_EQ(TextOf(Sheet()), "IEEE 488 Properties");
            std::vector<TreeItem> tree = ReadTree(Tree());
            EXPECT_EQ(Labels(tree), std::vector<std::string>{"Computer"});
            if (tree.size() != 1)
                return true;
            const TreeItem& root = tree[0];
            EXPECT_TRUE(root.expanded);
            EXPECT_EQ(root.data, static_cast<LPARAM>(NODE_ROOT));
            EXPECT_EQ(root.image, kRootImage);
            EXPECT_EQ(Labels(root.children), (std::vector<std::string>{"0003", "IEEE0", "IEEE1", "IEEE2"}));
            if (root.children.size() != 4)
                return true;
            EXPECT_EQ(SelectedItem(Tree()), root.children[0].handle) << "the first interface is selected";
            EXPECT_EQ(root.children[0].image, kUnrecognisedImage);
            EXPECT_EQ(root.children[1].image, kAcceptedImage);
            EXPECT_EQ(root.children[2].image, kFailedImage);
            EXPECT_EQ(root.children[1].data, static_cast<LPARAM>(NODE_INTERFACE | 0));
            EXPECT_EQ(root.children[0].data, static_cast<LPARAM>(NODE_INTERFACE | 3));
            const char* devices[] = {"Wave3", "Wave", "Wave1", "Wave2"};
            for (int i = 0; i < 4; ++i) {
                const TreeItem& interfaceItem = root.children[i];
                EXPECT_FALSE(interfaceItem.expanded) << interfaceItem.label;
                EXPECT_EQ(interfaceItem.children.size(), 1u) << interfaceItem.label;
                if (interfaceItem.children.size() != 1)
                    continue;
                EXPECT_EQ(interfaceItem.children[0].label, devices[i]);
                EXPECT_EQ(interfaceItem.children[0].image, kDeviceImage);
                EXPECT_EQ(interfaceItem.children[0].data, static_cast<LPARAM>(NODE_DEVICE | 0));
            }
            EXPECT_EQ(ButtonsNow(), (Buttons{true, true, false, true})) << "an interface";
            return true;
        },
        [] {
            TreeView_Expand(Tree(), ReadTree(Tree())[0].children[1].handle, TVE_EXPAND);
            return true;
        },
        [] {
            EXPECT_TRUE(SaveScreenshot(Sheet(), Screenshot("bus_configuration_nt5")));
            std::vector<TreeItem> tree = ReadTree(Tree());
            SelectItem(Tree(), tree[0].handle);
            EXPECT_EQ(ButtonsNow(), (Buttons{false, false, false, false})) << "the root";
            SelectItem(Tree(), tree[0].children[1].children[0].handle);
            EXPECT_EQ(ButtonsNow(), (Buttons{true, true, true, true})) << "a device";
            return true;
        },
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000");
    EXPECT_EQ(ReadString(node.Get(), "HardwareKey"), "ROOT\\KVX488\\0000") << "the page ran the initialisation";
}

// An interface bound to a "++" adapter counts as having its board: the plug,
// without the adapter being asked (nothing answers at port 1).
TEST_F(Nt5System, AnInterfaceWithAnAdapterShowsThePlug)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"IEEE1\"\n"
            "\"Adapter\"=\"tcp://127.0.0.1:1\"\n");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        [] {
            std::vector<TreeItem> tree = ReadTree(Tree());
            EXPECT_EQ(tree.size(), 1u);
            if (tree.size() != 1 || tree[0].children.size() != 4)
                return true;
            EXPECT_EQ(Labels(tree[0].children), (std::vector<std::string>{"IEEE0", "IEEE1", "IEEE2", "IEEE3"}));
            EXPECT_EQ(tree[0].children[0].image, kFailedImage) << "neither board nor adapter";
            EXPECT_EQ(tree[0].children[1].image, kAcceptedImage) << "its adapter";
            return true;
        },
        Press(IDOK),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0001");
    EXPECT_EQ(ReadString(node.Get(), "Adapter"), "tcp://127.0.0.1:1") << "the applet keeps the binding";
}

TEST_F(Nt5System, ApplyAndOkCommitPendingNamesAndCancelDropsThem)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        [] {
            RenamePending(Tree(), ReadTree(Tree())[0].children[1].handle, "Bench");
            return true;
        },
        Press(0x3021), // Apply
        [] {
            RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0001");
            EXPECT_EQ(ReadString(node.Get(), "UserName"), "Bench");
            std::vector<TreeItem> tree = ReadTree(Tree());
            const TreeItem& item = tree[0].children[1];
            EXPECT_EQ(item.label, "Bench") << "the tree is not sorted again";
            EXPECT_EQ(item.data, static_cast<LPARAM>(NODE_INTERFACE | 1)) << "the pending flag is cleared";
            RenamePending(Tree(), tree[0].children[2].handle, "Scope");
            return true;
        },
        Press(IDCANCEL),
    });
    RegKey second = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0002");
    EXPECT_EQ(ReadString(second.Get(), "UserName"), "IEEE2") << "Cancel writes nothing";

    // A second opening rebuilds the tree from the registry.
    OpenApplet(cpl, {
        [] {
            EXPECT_EQ(Labels(ReadTree(Tree())[0].children),
                      (std::vector<std::string>{"Bench", "IEEE0", "IEEE2", "IEEE3"}));
            RenamePending(Tree(), ReadTree(Tree())[0].children[3].handle, "Bench B");
            return true;
        },
        Press(IDOK),
    });
    RegKey fourth = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0003");
    EXPECT_EQ(ReadString(fourth.Get(), "UserName"), "Bench B") << "OK commits";
}

TEST_F(LegacyNtSystem, AppletOnNt4KeepsInterfaceNamesAndHandsOverOnOk)
{
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal]\n@=\"Sotal ISA board\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal\\0000]\n\"PortAddr\"=dword:000002e1\n");
    ASSERT_EQ(InstallDriverNT("Rumex", nullptr, kStubDriverPath), 1);
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        [] {
            std::vector<TreeItem> tree = ReadTree(Tree());
            EXPECT_EQ(tree[0].children[0].label, "IEEE0");
            EXPECT_EQ(tree[0].children[0].image, kAcceptedImage) << "its model is in the hardware store";
            EXPECT_EQ(tree[0].children[1].image, kFailedImage);
            EXPECT_EQ(ButtonsNow(), (Buttons{true, true, false, false})) << "no interface rename on NT 4";
            SelectItem(Tree(), tree[0].children[0].children[0].handle);
            EXPECT_EQ(ButtonsNow(), (Buttons{true, true, true, true})) << "a device";
            EXPECT_TRUE(SaveScreenshot(Sheet(), Screenshot("bus_configuration_nt4")));
            return true;
        },
        Press(IDOK),
    });
    RegKey parameters = Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Rumex\\0");
    ASSERT_TRUE(parameters.Get()) << "OK without a change still hands the configuration to the driver";
    EXPECT_EQ(ReadString(parameters.Get(), "UserName"), "IEEE0");
    EXPECT_EQ(ReadDword(parameters.Get(), "PortAddr"), 0x2E1u);
}

TEST_F(Win9xSystem, AppletOnWindows9xRenamesInterfaces)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        [] {
            EXPECT_EQ(Labels(ReadTree(Tree())[0].children),
                      (std::vector<std::string>{"IEEE0", "IEEE1", "IEEE2", "IEEE3"}));
            EXPECT_EQ(ButtonsNow(), (Buttons{true, true, false, true}));
            return true;
        },
        Press(IDCANCEL),
    });
}
