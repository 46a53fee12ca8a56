#include "control_panel_window.h"

#include <commctrl.h>

namespace {

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

} // namespace

HWND WaitForWindow(const char* caption, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND window = FindWindowA(nullptr, caption))
            return window;
        Sleep(100);
    }
    return nullptr;
}

HWND WaitForAppletList(HWND panel)
{
    for (int i = 0; i < 100; ++i) {
        if (HWND list = FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr))
            return list;
        Sleep(100);
    }
    return nullptr;
}

std::string ListItemText(HANDLE process, HWND list, int index, int subItem)
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

RECT ListItemRect(HANDLE process, HWND list, int index)
{
    RemoteMemory memory(process, sizeof(RECT));
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    memory.Write(0, &rect, sizeof rect);
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(memory.Address()));
    memory.Read(0, &rect, sizeof rect);
    return rect;
}
