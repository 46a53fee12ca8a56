// The Properties and System Resources dialogs, opened from the page as a
// user opens them, checked against the registry.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "setup/setup_exports.h"
#include "resources/resource.h"

namespace {

const char kTwoBoards[] =
    "REGEDIT4\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexA\\Enum]\n"
    "\"Count\"=dword:00000002\n"
    "\"0\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\4&1A2B3C&0&5808\"\n"
    "\"1\"=\"ROOT\\\\KVX488\\\\0000\"\n";
const char kPciBoard[] = "Vexmoor PCI IEEE 488  (PCI bus 0, device 11, function 0)";
const char kRootBoard[] = "Vexmoor IEEE 488";
const char kInterfaceDialog[] = "IEEE0 Properties";
const char kDeviceDialog[] = "Wave Properties";
const char kDefaultsWarning[] =
    "Warning: You are about to overwrite your current settings with the original factory configuration values.";

HWND Dialog(const char* caption)
{
    return FindThreadWindow(caption);
}

RECT WindowRect(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

Step Check(const char* caption, std::function<void(HWND)> check)
{
    return [caption, check] {
        HWND dialog = Dialog(caption);
        if (!dialog)
            return false;
        check(dialog);
        return true;
    };
}

// Waits until the control of that dialog has the focus: the steps time out,
// and the test fails, if it never comes.
Step FocusReaches(const char* caption, int id)
{
    return [caption, id] {
        HWND dialog = Dialog(caption);
        return dialog && GetFocus() == FindControl(dialog, id);
    };
}

} // namespace

TEST_F(Nt5System, InterfacePropertiesFollowTheBoardAndValidate)
{
    ScopedService boards("QbVexA", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(boards.Created());
    LoadFixture("nt5_devices.reg");
    LoadReg(kTwoBoards);
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsEnabled(d, IDC_APPLY)) << "opens with Apply enabled";
                  EXPECT_EQ(SelectedListText(d, IDC_HARDWARE), kPciBoard);
                  EXPECT_TRUE(IsShown(d, IDC_BLOCK_MODE));
                  EXPECT_TRUE(IsEnabled(d, IDC_BLOCK_MODE));
                  EXPECT_TRUE(IsChecked(d, IDC_BLOCK_MODE));
                  EXPECT_EQ(SelectedListText(d, IDC_PRIMARY), "21");
                  EXPECT_EQ(TextOf(FindControl(d, IDC_TIMEOUT)), "10000");
                  EXPECT_EQ(SelectedListText(d, IDC_IN_EOS), "CR_LF ");
                  EXPECT_FALSE(IsEnabled(d, IDC_IN_TERM1));
                  EXPECT_FALSE(IsShown(d, IDC_SECONDARY));
                  EXPECT_FALSE(IsShown(d, IDC_SYSTEM_RESOURCES));
                  EXPECT_TRUE(IsShown(d, IDC_ICON_INTERFACE));
                  EXPECT_TRUE(SaveScreenshot(d, Screenshot("properties_interface")));
                  Click(d, IDC_APPLY);
              }),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_FALSE(IsEnabled(d, IDC_APPLY)) << "Apply disables itself";
                  ChooseListEntry(d, IDC_HARDWARE, ListEntryIndex(d, IDC_HARDWARE, kRootBoard));
              }),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsEnabled(d, IDC_APPLY));
                  EXPECT_FALSE(IsEnabled(d, IDC_BLOCK_MODE)) << "no block mode on an ISA board";
                  EXPECT_FALSE(IsChecked(d, IDC_BLOCK_MODE));
                  ChooseListEntry(d, IDC_HARDWARE, ListEntryIndex(d, IDC_HARDWARE, kPciBoard));
              }),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsChecked(d, IDC_BLOCK_MODE)) << "the earlier choice comes back";
                  ChooseListEntry(d, IDC_HARDWARE, ListEntryIndex(d, IDC_HARDWARE, kRootBoard));
                  TypeText(d, IDC_TIMEOUT, "");
                  Click(d, IDOK);
              }),
        AnswerBox(kInterfaceDialog, "Please enter a positive integer.", IDOK),
        // The offending edit takes the focus once the message box is gone.
        FocusReaches(kInterfaceDialog, IDC_TIMEOUT),
        Check(kInterfaceDialog,
              [](HWND d) {
                  TypeText(d, IDC_TIMEOUT, " 5000 ");
                  ChooseListEntry(d, IDC_IN_EOS, ListEntryIndex(d, IDC_IN_EOS, "User (2 terms) "));
              }),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsEnabled(d, IDC_IN_TERM1));
                  EXPECT_TRUE(IsEnabled(d, IDC_IN_TERM2));
                  TypeText(d, IDC_IN_TERM1, "65");
                  TypeText(d, IDC_IN_TERM2, "66");
                  Click(d, IDOK);
              }),
        Gone(kInterfaceDialog),
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000");
    EXPECT_EQ(ReadString(node.Get(), "HardwareKey"), "ROOT\\KVX488\\0000");
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 5000u);
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "USER 2");
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 65u);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn1"), 66u);
    EXPECT_EQ(ReadDword(node.Get(), "BlockModeEnabled"), 0u) << "unavailable on the ISA board";
    EXPECT_EQ(ReadDword(node.Get(), "SystemController"), 1u);
}

TEST_F(Nt5System, DevicePropertiesShowTheDeviceLayout)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        Check("IEEE0 Properties",
              [](HWND d) {
                  RECT ok = WindowRect(FindControl(d, IDOK));
                  RECT group = WindowRect(FindControl(d, IDC_HARDWARE_GROUP));
                  EXPECT_GT(ok.top, group.top) << "an interface has its buttons under the hardware";
                  Click(d, IDCANCEL);
              }),
        Gone("IEEE0 Properties"),
        [] {
            TreeView_Expand(Tree(), ItemAt("Computer/IEEE0"), TVE_EXPAND);
            return true;
        },
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_PROPERTIES),
        Check(kDeviceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsShown(d, IDC_ICON_DEVICE));
                  EXPECT_FALSE(IsShown(d, IDC_ICON_INTERFACE));
                  RECT icon = WindowRect(FindControl(d, IDC_ICON_DEVICE));
                  RECT primary = WindowRect(FindControl(d, IDC_PRIMARY_LABEL));
                  EXPECT_LT(icon.top, primary.bottom) << "the device icon sits at the top";
                  EXPECT_TRUE(IsShown(d, IDC_SECONDARY));
                  EXPECT_FALSE(IsShown(d, IDC_HARDWARE_GROUP));
                  EXPECT_FALSE(IsShown(d, IDC_HARDWARE));
                  RECT ok = WindowRect(FindControl(d, IDOK));
                  RECT terminators = WindowRect(FindControl(d, IDC_TERMINATORS));
                  EXPECT_GT(ok.top, terminators.bottom) << "buttons under the terminators";
                  EXPECT_LT(ok.top - terminators.bottom, 30) << "moved up";
                  EXPECT_TRUE(IsChecked(d, IDC_SECONDARY_NONE)) << "255 is none";
                  EXPECT_FALSE(IsEnabled(d, IDC_SECONDARY));
                  EXPECT_EQ(SelectedListText(d, IDC_SECONDARY), "");
                  EXPECT_TRUE(SaveScreenshot(d, Screenshot("properties_device")));
                  Click(d, IDC_SECONDARY_NONE);
              }),
        Check(kDeviceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsEnabled(d, IDC_SECONDARY));
                  EXPECT_EQ(SelectedListText(d, IDC_SECONDARY), "0");
                  ChooseListEntry(d, IDC_IN_EOS, ListEntryIndex(d, IDC_IN_EOS, "User (1 term) "));
              }),
        Check(kDeviceDialog,
              [](HWND d) {
                  EXPECT_TRUE(IsEnabled(d, IDC_IN_TERM1));
                  EXPECT_FALSE(IsEnabled(d, IDC_IN_TERM2));
                  TypeText(d, IDC_IN_TERM1, "256");
                  Click(d, IDOK);
              }),
        AnswerBox(kDeviceDialog, "Please enter an integer between 0 and 255.", IDOK),
        Check(kDeviceDialog,
              [](HWND d) {
                  TypeText(d, IDC_IN_TERM1, "2147483648");
                  Click(d, IDOK);
              }),
        AnswerBox(kDeviceDialog, "Please enter an integer between 0 and 255.", IDOK),
        Check(kDeviceDialog,
              [](HWND d) {
                  TypeText(d, IDC_IN_TERM1, "7");
                  Click(d, IDOK);
              }),
        Gone(kDeviceDialog),
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0000");
    EXPECT_EQ(ReadDword(node.Get(), "SecondaryAddress"), 0u);
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "USER 1");
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 7u);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn1"), 0xFFFFFFFFu);
    EXPECT_FALSE(HasValue(node.Get(), "HardwareKey"));
}

TEST_F(LegacyNtSystem, ResourcesAreStoredOnTheirOwnOk)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex"), 1);
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_EQ(TextOf(FindControl(d, IDC_HARDWARE_GROUP)), "Interface &Hardware Types");
                  EXPECT_EQ(SelectedListText(d, IDC_HARDWARE), "Sotal ISA board");
                  EXPECT_FALSE(IsShown(d, IDC_BLOCK_MODE));
                  EXPECT_TRUE(IsShown(d, IDC_SYSTEM_RESOURCES));
                  Click(d, IDC_SYSTEM_RESOURCES);
              }),
        Check("Change System Resources",
              [](HWND d) {
                  EXPECT_EQ(TextOf(FindControl(d, IDC_RES_NAME)), "IEEE0");
                  EXPECT_EQ(TextOf(FindControl(d, IDC_RES_TYPE)), "Sotal");
                  EXPECT_EQ(SelectedListText(d, IDC_IO), "02E1");
                  EXPECT_EQ(SelectedListText(d, IDC_IRQ), "5");
                  EXPECT_EQ(SelectedListText(d, IDC_DMA), "1");
                  EXPECT_FALSE(IsShown(d, IDC_IO_NONE));
                  EXPECT_FALSE(IsShown(d, IDC_IRQ_NONE));
                  EXPECT_TRUE(IsShown(d, IDC_DMA_NONE));
                  ChooseListEntry(d, IDC_IO, ListEntryIndex(d, IDC_IO, "22E1"));
                  Click(d, IDC_DMA_NONE);
              }),
        Check("Change System Resources",
              [](HWND d) {
                  EXPECT_FALSE(IsEnabled(d, IDC_DMA)) << "None disables the DMA list";
                  EXPECT_TRUE(SaveScreenshot(d, Screenshot("resources")));
                  Click(d, IDC_SET_DEFAULTS);
              }),
        AnswerBox("Confirm Set Defaults", kDefaultsWarning, IDCANCEL),
        Check("Change System Resources",
              [](HWND d) {
                  EXPECT_EQ(SelectedListText(d, IDC_IO), "22E1") << "Cancel changes nothing";
                  Click(d, IDOK);
              }),
        Gone("Change System Resources"),
        PressIn(kInterfaceDialog, IDCANCEL),
        Gone(kInterfaceDialog),
        Press(IDCANCEL),
    });
    RegKey instance = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Sotal\\0000");
    EXPECT_EQ(ReadDword(instance.Get(), "PortAddr"), 0x22E1u) << "stored although Properties was cancelled";
    EXPECT_EQ(ReadDword(instance.Get(), "DmaNone"), 1u);
    EXPECT_EQ(ReadDword(instance.Get(), "DmaChan"), 1u);
    EXPECT_EQ(ReadDword(instance.Get(), "IrqNone"), 0u);
}

TEST_F(Nt5System, AnAbsentBoardKeepsItsHardwareKey)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
            "\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081\\\\GONE\"\n");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE1"),
        Press(IDC_PROPERTIES),
        Check("IEEE1 Properties",
              [](HWND d) {
                  EXPECT_EQ(SelectedListText(d, IDC_HARDWARE), "(Unassigned or not-present)");
                  Click(d, IDOK);
              }),
        Gone("IEEE1 Properties"),
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0001");
    EXPECT_EQ(ReadString(node.Get(), "HardwareKey"), "PCI\\VEN_10E8&DEV_8081\\GONE");
}

TEST_F(Win9xSystem, PropertiesListTheBoardsOfTheDynamicData)
{
    LoadFixture("win9x_devices.reg");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        Check(kInterfaceDialog,
              [](HWND d) {
                  EXPECT_EQ(SelectedListText(d, IDC_HARDWARE), "Vexmoor PCI IEEE 488  (000B)");
                  EXPECT_NE(ListEntryIndex(d, IDC_HARDWARE, "Vexmoor IEEE 488  (I/O Port: 2E1)"), -1);
                  EXPECT_FALSE(IsShown(d, IDC_BLOCK_MODE));
                  EXPECT_FALSE(IsShown(d, IDC_SYSTEM_RESOURCES));
                  Click(d, IDCANCEL);
              }),
        Gone(kInterfaceDialog),
        Press(IDCANCEL),
    });
}

TEST_F(LegacyNtSystem, SetDefaultsRestoresTheFactoryValues)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Rumex", "Rumex ISA board", "rumex"), 1);
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Rumex\\0000]\n"
            "\"PortAddr\"=dword:000062e1\n\"IrqLevel\"=dword:00000002\n\"DmaChan\"=dword:00000007\n");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        PressIn(kInterfaceDialog, IDC_SYSTEM_RESOURCES),
        Check("Change System Resources",
              [](HWND d) {
                  EXPECT_EQ(SelectedListText(d, IDC_IO), "62E1");
                  EXPECT_EQ(SelectedListText(d, IDC_IRQ), "") << "2 is no Rumex interrupt";
                  EXPECT_EQ(SelectedListText(d, IDC_DMA), "7");
                  Click(d, IDC_SET_DEFAULTS);
              }),
        AnswerBox("Confirm Set Defaults", kDefaultsWarning, IDOK),
        Check("Change System Resources",
              [](HWND d) {
                  EXPECT_EQ(SelectedListText(d, IDC_IO), "02E1");
                  EXPECT_EQ(SelectedListText(d, IDC_IRQ), "5");
                  EXPECT_EQ(SelectedListText(d, IDC_DMA), "5");
                  Click(d, IDCANCEL);
              }),
        Gone("Change System Resources"),
        PressIn(kInterfaceDialog, IDOK),
        Gone(kInterfaceDialog),
        Press(IDCANCEL),
    });
    RegKey instance = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Rumex\\0000");
    EXPECT_EQ(ReadDword(instance.Get(), "PortAddr"), 0x62E1u) << "Cancel after Set Defaults stores nothing";
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000");
    EXPECT_EQ(ReadString(node.Get(), "HardwareKey"), "Rumex\\0000") << "model, backslash, node";
}

TEST_F(Nt5System, EoiValuesGoToTheBoxesAsThePlatformShowsThem)
{
    // 2 is a state a check box has; 5 is none and shows as clear.
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0000]\n"
            "\"UserName\"=\"Wave\"\n\"TermInEOI\"=dword:00000002\n\"TermOutEOI\"=dword:00000005\n");
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    LRESULT inState = -1;
    OpenApplet(cpl, {
        [] {
            TreeView_Expand(Tree(), ItemAt("Computer/IEEE0"), TVE_EXPAND);
            return true;
        },
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_PROPERTIES),
        Check(kDeviceDialog,
              [&inState](HWND d) {
                  inState = SendMessageA(FindControl(d, IDC_IN_EOI), BM_GETCHECK, 0, 0);
                  EXPECT_NE(inState, BST_UNCHECKED) << "a stored 2 is not shown as clear";
                  EXPECT_FALSE(IsChecked(d, IDC_OUT_EOI));
                  Click(d, IDOK);
              }),
        Gone(kDeviceDialog),
        Press(IDCANCEL),
    });
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0000");
    EXPECT_EQ(ReadDword(node.Get(), "TermInEOI"), static_cast<DWORD>(inState)) << "the box's own answer is stored";
    EXPECT_EQ(ReadDword(node.Get(), "TermOutEOI"), 0u);
}
