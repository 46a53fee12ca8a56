// Wine's own Control Panel (control.exe, another process) lists the applet
// with its description and opens its sheet.
#include "control_panel_window.h"
#include "cpl_module.h"
#include "ui_driver.h"

#include "../unit/registry_test_fixture.h"

#include <string>

namespace {

const char kCplsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";

class ControlPanel : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kCplsKey, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "quenbus", 0, REG_SZ, reinterpret_cast<const BYTE*>(QUENBUS_CPL_PATH),
                       sizeof QUENBUS_CPL_PATH);
        RegCloseKey(key);
    }
    void TearDown() override
    {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_CURRENT_USER, kCplsKey, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "quenbus");
            RegCloseKey(key);
        }
        RegistryTest::TearDown();
    }
};

} // namespace

TEST_F(ControlPanel, ListsTheAppletAndOpensItsSheet)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char command[] = "control.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND panel = WaitForWindow("Wine Control Panel", 30);
    ASSERT_TRUE(panel) << "the Control Panel did not open";
    HWND list = WaitForAppletList(panel);
    ASSERT_TRUE(list);

    int found = -1;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && found < 0; ++i) {
        if (ListItemText(process.hProcess, list, i, 0) == "IEEE 488")
            found = i;
    }
    ASSERT_GE(found, 0) << "\"IEEE 488\" is not listed among " << count << " applets";
    EXPECT_EQ(ListItemText(process.hProcess, list, found, 1),
              "Changes IEEE 488 bus configuration and communication settings.");
    EXPECT_TRUE(SaveScreenshot(panel, std::string(QUENBUS_SCREENSHOT_DIR) + "/control_panel.bmp"));

    RECT rect = ListItemRect(process.hProcess, list, found);
    LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
    HWND sheet = WaitForWindow(kSheetCaption, 30);
    EXPECT_TRUE(sheet) << "double-clicking the applet did not open its sheet";
    if (sheet) {
        Sleep(500);
        EXPECT_TRUE(SaveScreenshot(sheet, std::string(QUENBUS_SCREENSHOT_DIR) + "/control_panel_sheet.bmp"));
        PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
        for (int i = 0; i < 100 && IsWindow(sheet); ++i)
            Sleep(100);
        EXPECT_FALSE(IsWindow(sheet)) << "Cancel closes the sheet";
    }
    PostMessageA(panel, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
