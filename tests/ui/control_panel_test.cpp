// Wine's own Control Panel (control.exe, another process) lists the applet
// with its description and opens its sheet.
#include "cpl_module.h"
#include "ui_driver.h"

#include "../unit/registry_test_fixture.h"

#include <string>

namespace {

const char kCplsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";

// Memory in another process, for the messages whose arguments are pointers.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* Address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    void Write(size_t offset, const void* data, size_t size) const
    {
        WriteProcessMemory(process_, Address(offset), data, size, nullptr);
    }
    void Read(size_t offset, void* data, size_t size) const
    {
        ReadProcessMemory(process_, Address(offset), data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

std::string ItemText(HANDLE process, HWND list, int index, int subItem)
{
    RemoteMemory memory(process, 4096);
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = memory.Address(512);
    item.cchTextMax = 512;
    memory.Write(0, &item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(memory.Address()));
    char text[512] = "";
    memory.Read(512, text, sizeof text - 1);
    return text;
}

RECT ItemRect(HANDLE process, HWND list, int index)
{
    RemoteMemory memory(process, sizeof(RECT));
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    memory.Write(0, &rect, sizeof rect);
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(memory.Address()));
    memory.Read(0, &rect, sizeof rect);
    return rect;
}

// Waits up to `seconds` for a top-level window with that caption.
HWND WaitForWindow(const char* caption, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND window = FindWindowA(nullptr, caption))
            return window;
        Sleep(100);
    }
    return nullptr;
}

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
    // The window may show before its list is made, on a busy machine.
    HWND list = nullptr;
    for (int i = 0; i < 100 && !list; ++i) {
        list = FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr);
        if (!list)
            Sleep(100);
    }
    ASSERT_TRUE(list);

    int found = -1;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && found < 0; ++i) {
        if (ItemText(process.hProcess, list, i, 0) == "IEEE 488")
            found = i;
    }
    ASSERT_GE(found, 0) << "\"IEEE 488\" is not listed among " << count << " applets";
    EXPECT_EQ(ItemText(process.hProcess, list, found, 1),
              "Changes IEEE 488 bus configuration and communication settings.");
    EXPECT_TRUE(SaveScreenshot(panel, std::string(QUENBUS_SCREENSHOT_DIR) + "/control_panel.bmp"));

    RECT rect = ItemRect(process.hProcess, list, found);
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
