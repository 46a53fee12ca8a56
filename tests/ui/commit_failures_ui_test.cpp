// Writes the registry refuses: the user is told which node was not saved,
// and what was not written stays pending for a later Apply. Wine enforces a
// key's permission to set values (not its DELETE permission), so a name or a
// setting is refused by a key that denies KEY_SET_VALUE, a removal by a
// device key that has a subkey of its own.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "applet/tree_items.h"
#include "resources/resource.h"
#include "setup/setup_exports.h"

#include <memory>
#include <string>

namespace {

const char kPage[] = "Bus Configuration";
const char kRename[] = "Rename Interface";
const char kDeviceDialog[] = "Wave Properties";
const int kApply = 0x3021;
const std::string kNotSaved = "The registry refused to save these changes. They stay pending: press Apply to try "
                              "again, or Cancel to give them up.\n\n";

std::string Node(const std::string& path)
{
    return "Software\\Korvex\\IEEE\\" + path;
}

// Renames the selected item with the page's Rename command.
std::vector<Step> RenameSelected(const std::string& to)
{
    return {
        Press(IDC_RENAME),
        [to] {
            HWND dialog = FindThreadWindow(kRename);
            if (!dialog)
                return false;
            TypeText(dialog, IDC_RENAME_TO, to);
            Click(dialog, IDOK);
            return true;
        },
        Gone(kRename),
    };
}

Step Expect(std::function<void()> check)
{
    return [check] {
        check();
        return true;
    };
}

// The tree item data of the item at a path of labels.
LPARAM DataAt(const std::string& path)
{
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = ItemAt(path);
    SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

std::vector<Step> Join(std::vector<std::vector<Step>> parts)
{
    std::vector<Step> steps;
    for (auto& part : parts)
        steps.insert(steps.end(), part.begin(), part.end());
    return steps;
}

class CommitFailures : public Nt5System {
protected:
    std::string UserName(const std::string& path)
    {
        RegKey key = Open(HKEY_CURRENT_USER, Node(path).c_str());
        return key.Get() ? ReadString(key.Get(), "UserName") : "<no key>";
    }
};

} // namespace

TEST_F(CommitFailures, SheetTellsWhatWasNotSavedAndAppliesItLater)
{
    RegInitUserConfig();
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002\\0000\\Extra]\n");
    auto interfaceKey = std::make_unique<ReadOnlyKey>(HKEY_CURRENT_USER, Node("0001").c_str());
    ASSERT_TRUE(interfaceKey->Made());
    std::unique_ptr<ReadOnlyKey> fourthKey;
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    std::string warning = "\n\n\nWarning: You are about to remove this device from your bus configuration.";
    OpenApplet(cpl, Join({
        {SelectPath("Computer/IEEE1")},
        RenameSelected("Bench"),
        {SelectPath("Computer/IEEE0/Wave")},
        RenameSelected("Scope"),
        {SelectPath("Computer/IEEE2/Wave2"), Press(IDC_REMOVE),
         AnswerBox("Confirm Device Removal", "Wave2" + warning, IDOK), Press(kApply),
         AnswerBox(kPage, kNotSaved + "Bench (0001)\nWave2 (0002\\0000)", IDOK),
         Expect([this, &interfaceKey] {
             EXPECT_EQ(UserName("0000\\0000"), "Scope") << "what could be written was";
             EXPECT_EQ(UserName("0001"), "IEEE1");
             EXPECT_EQ(DataAt("Computer/Bench"), static_cast<LPARAM>(NODE_INTERFACE | NODE_NAME_CHANGED | 1))
                 << "the name stays pending";
             EXPECT_EQ(DataAt("Computer/IEEE0/Scope"), static_cast<LPARAM>(NODE_DEVICE | 0));
             EXPECT_EQ(UserName("0002\\0000"), "Wave2") << "the device is still there";
             EXPECT_TRUE(IsEnabled(Sheet(), kApply)) << "Apply stays enabled";
             EXPECT_TRUE(SaveScreenshot(Sheet(), Screenshot("bus_configuration_not_saved")));
             // The user mends the registry and applies again.
             interfaceKey->Restore();
             RegKey device = Open(HKEY_CURRENT_USER, Node("0002\\0000").c_str());
             EXPECT_EQ(RegDeleteKeyA(device.Get(), "Extra"), ERROR_SUCCESS);
         }),
         Press(kApply),
         Expect([this, &fourthKey] {
             EXPECT_EQ(FindMessageBox(kPage), nullptr) << "nothing to tell";
             EXPECT_EQ(UserName("0001"), "Bench");
             EXPECT_EQ(UserName("0002\\0000"), "<no key>") << "the pending removal is done";
             EXPECT_EQ(DataAt("Computer/Bench"), static_cast<LPARAM>(NODE_INTERFACE | 1));
             EXPECT_FALSE(IsEnabled(Sheet(), kApply));
             fourthKey = std::make_unique<ReadOnlyKey>(HKEY_CURRENT_USER, Node("0003").c_str());
             EXPECT_TRUE(fourthKey->Made());
         }),
         SelectPath("Computer/IEEE3")},
        RenameSelected("Meter"),
        // OK whose commit was refused leaves the sheet open.
        {Press(IDOK), AnswerBox(kPage, kNotSaved + "Meter (0003)", IDOK),
         Expect([this, &fourthKey] {
             EXPECT_NE(Sheet(), nullptr) << "the sheet stays open";
             EXPECT_EQ(UserName("0003"), "IEEE3");
             fourthKey->Restore();
         }),
         Press(IDOK)},
    }));
    EXPECT_EQ(UserName("0003"), "Meter") << "OK wrote it once the key took it";
}

TEST_F(CommitFailures, PropertiesStayOpenWhenTheStoreIsRefused)
{
    RegInitUserConfig();
    ReadOnlyKey deviceKey(HKEY_CURRENT_USER, Node("0000\\0000").c_str());
    ASSERT_TRUE(deviceKey.Made());
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_PROPERTIES),
        [] {
            HWND dialog = FindThreadWindow(kDeviceDialog);
            if (!dialog)
                return false;
            TypeText(dialog, IDC_TIMEOUT, "5000");
            Click(dialog, IDOK);
            return true;
        },
        AnswerBox(kDeviceDialog, kNotSaved + "Wave (0000\\0000)", IDOK),
        PressIn(kDeviceDialog, IDC_APPLY),
        AnswerBox(kDeviceDialog, kNotSaved + "Wave (0000\\0000)", IDOK),
        [this, &deviceKey] {
            HWND dialog = FindThreadWindow(kDeviceDialog);
            EXPECT_NE(dialog, nullptr) << "OK and Apply leave the dialog open";
            if (!dialog)
                return true;
            EXPECT_TRUE(IsEnabled(dialog, IDC_APPLY)) << "Apply stays enabled";
            RegKey node = Open(HKEY_CURRENT_USER, Node("0000\\0000").c_str());
            EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 10000u);
            deviceKey.Restore();
            Click(dialog, IDOK);
            return true;
        },
        Gone(kDeviceDialog),
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, Node("0000\\0000").c_str());
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 5000u) << "stored once the key took it";
}
