// The page's tree in the order the tree control's own sorted insertion
// gives: the filled page against a real tree control filled by plain sorted
// insertion in key order, for labels that sort in surprising ways.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "applet/tree_items.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/node_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Device labels by key order; null leaves the node without a name, so it
// shows its key name. Bytes above 0x7F are letters of the ANSI code page.
const char* const kDeviceLabels[] = {
    "New Device (2)", "New Device (10)", "New Device (1)", "new device (2)", "NEW DEVICE (2)", "Wave",
    "wave",           "Wave",            "WAVE",           "Wave",           nullptr,          "0031",
    "Scope-1",        "Scope1",          "Scope 1",        "Scope_1",        "Scope'1",        "Scope.1",
    "(Scope)",        "\xC4nderung",     "Anderung",       "\xE4nderung",    "\xE9t\xE9",      "ete",
    "\xC9T\xC9",      "Zeta",            "",               nullptr,          "Wave",           "New Device (2)",
};
const size_t kDeviceCount = sizeof kDeviceLabels / sizeof kDeviceLabels[0];

// Interface 0 gets the labels in this order, interface 2 in reverse; the
// key numbers leave gaps.
void WriteConfiguration()
{
    for (size_t i = 0; i < kDeviceCount; ++i) {
        char path[10];
        unsigned number = static_cast<unsigned>(3 * i + 1);
        FormatDevicePath(0, number, path, sizeof path);
        ConfigCreateNode(path, 0, kDeviceLabels[i]);
        FormatDevicePath(2, number, path, sizeof path);
        ConfigCreateNode(path, 0, kDeviceLabels[kDeviceCount - 1 - i]);
    }
    ConfigCreateNode("0001", 1, "ieee0");
    ConfigCreateNode("0002", 1, "\xC4"
                                "bus");
    ConfigCreateNode("0003", 1, "Abus");
}

// A node's label as the registry holds it: its "UserName" text, else its key name.
std::string LabelOf(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return name;
    char text[kUserNameSize] = "";
    DWORD size = sizeof text;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, kUserName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ && size > 0 ? std::string(text) : std::string(name);
}

HTREEITEM InsertSorted(HWND tree, HTREEITEM parent, const std::string& label, LPARAM data)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(label.c_str());
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

// Each node's key names under `key`, in the registry's enumeration order.
std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; ++index)
        names.push_back(name);
    return names;
}

// Fills a tree control by one sorted insertion per node in key order.
void FillReference(HWND tree)
{
    HTREEITEM root = InsertSorted(tree, TVI_ROOT, "Computer", NODE_ROOT);
    HKEY config = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kConfigRootPath, 0, KEY_READ, &config), ERROR_SUCCESS);
    for (const std::string& interfaceName : SubkeyNames(config)) {
        HTREEITEM interfaceItem = InsertSorted(tree, root, LabelOf(config, interfaceName.c_str()),
                                               NODE_INTERFACE | ParseNodeIndex(interfaceName.c_str()));
        HKEY interfaceKey = nullptr;
        ASSERT_EQ(RegOpenKeyExA(config, interfaceName.c_str(), 0, KEY_READ, &interfaceKey), ERROR_SUCCESS);
        for (const std::string& device : SubkeyNames(interfaceKey))
            InsertSorted(tree, interfaceItem, LabelOf(interfaceKey, device.c_str()),
                         NODE_DEVICE | ParseNodeIndex(device.c_str()));
        RegCloseKey(interfaceKey);
    }
    RegCloseKey(config);
}

// Every item as "path of labels  node data", in the tree's order.
void Flatten(const std::vector<TreeItem>& items, const std::string& parent, std::vector<std::string>& lines)
{
    for (const TreeItem& item : items) {
        std::string path = parent + "/" + item.label;
        char data[16];
        std::snprintf(data, sizeof data, "  %#lx", static_cast<unsigned long>(item.data));
        lines.push_back(path + data);
        Flatten(item.children, path, lines);
    }
}

std::vector<std::string> FlatTree(HWND tree)
{
    std::vector<std::string> lines;
    Flatten(ReadTree(tree), "", lines);
    return lines;
}

} // namespace

TEST_F(Nt5System, TreeOrderIsTheControlsSortedInsertionInKeyOrder)
{
    WriteConfiguration();
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        [] {
            HWND reference = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                             GetModuleHandleA(nullptr), nullptr);
            EXPECT_NE(reference, nullptr);
            if (!reference)
                return true;
            FillReference(reference);
            std::vector<std::string> expected = FlatTree(reference);
            DestroyWindow(reference);
            EXPECT_EQ(expected.size(), 1 + 4 + 2 * kDeviceCount + 2);
            EXPECT_EQ(FlatTree(Tree()), expected) << "ANSI code page " << GetACP();
            return true;
        },
        Press(IDCANCEL),
    });
}
