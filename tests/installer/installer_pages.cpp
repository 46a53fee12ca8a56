// Goes through the installer's pages as a person does, in its other process:
// Next on the components and folder pages, the driver and service typed on
// the driver page, Next to install; then prints the lines of the details list
// (what the set-up said) and closes it. Screenshots of the three pages land
// in SCREENSHOT_DIR.
// usage: installer_pages.exe DRIVER SERVICE SCREENSHOT_DIR
#include "../ui/control_panel_window.h"
#include "../ui/ui_driver.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct InstallerSearch {
    HWND found = nullptr;
};

BOOL CALLBACK IsInstaller(HWND window, LPARAM data)
{
    std::string caption = TextOf(window);
    if (caption.rfind("quenbus ", 0) == 0 && caption.find(" Setup") != std::string::npos && IsWindowVisible(window)) {
        reinterpret_cast<InstallerSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindInstaller()
{
    InstallerSearch search;
    for (int i = 0; i < 600 && !search.found; ++i) {
        EnumWindows(IsInstaller, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(100);
    }
    return search.found;
}

struct ControlSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectControl(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<ControlSearch*>(data);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->className) == 0 && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

// The controls of a class inside the installer's window, in creation order.
std::vector<HWND> Controls(HWND installer, const char* className)
{
    ControlSearch search{className, {}};
    EnumChildWindows(installer, CollectControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ShowsText(HWND installer, const std::string& start)
{
    for (HWND label : Controls(installer, "Static")) {
        if (TextOf(label).rfind(start, 0) == 0)
            return true;
    }
    return false;
}

// Waits until the page that shows `start` in a label is there.
bool WaitForPage(HWND installer, const std::string& start)
{
    for (int i = 0; i < 300; ++i) {
        if (ShowsText(installer, start))
            return true;
        Sleep(100);
    }
    std::fprintf(stderr, "the page with \"%s\" did not come\n", start.c_str());
    return false;
}

// The window in front, so that its caption is drawn active in every picture.
void Photograph(HWND installer, const std::string& path)
{
    SetForegroundWindow(installer);
    RedrawWindow(installer, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Sleep(1000);
    SaveScreenshot(installer, path);
}

void Next(HWND installer)
{
    Sleep(300);
    PostMessageA(installer, WM_COMMAND, IDOK, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: installer_pages.exe DRIVER SERVICE SCREENSHOT_DIR\n");
        return 2;
    }
    const std::string shots = argv[3];
    HWND installer = FindInstaller();
    if (!installer) {
        std::fprintf(stderr, "the installer's window did not open\n");
        return 1;
    }
    if (!WaitForPage(installer, "Check the components"))
        return 1;
    Photograph(installer, shots + "\\installer_components.bmp");
    Next(installer);
    if (!WaitForPage(installer, "Setup will install"))
        return 1;
    Next(installer);
    if (!WaitForPage(installer, "Driver file"))
        return 1;
    Sleep(500);
    std::vector<HWND> edits = Controls(installer, "Edit");
    if (edits.size() != 2) {
        std::fprintf(stderr, "the driver page has %zu edit fields, not 2\n", edits.size());
        return 1;
    }
    SetWindowTextA(edits[0], argv[1]);
    SetWindowTextA(edits[1], argv[2]);
    Photograph(installer, shots + "\\installer_driver.bmp");
    Next(installer);

    // The install is over when Next (now Close) is enabled again.
    HWND next = GetDlgItem(installer, IDOK);
    Sleep(500);
    for (int i = 0; i < 1200 && !IsWindowEnabled(next); ++i)
        Sleep(100);
    if (!IsWindowEnabled(next)) {
        std::fprintf(stderr, "the install did not finish in two minutes\n");
        return 1;
    }
    std::vector<HWND> lists = Controls(installer, WC_LISTVIEWA);
    if (lists.empty()) {
        std::fprintf(stderr, "no details list\n");
        return 1;
    }
    DWORD id = 0;
    GetWindowThreadProcessId(installer, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    int count = static_cast<int>(SendMessageA(lists[0], LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        std::printf("%s\n", ListItemText(process, lists[0], i, 0).c_str());
    CloseHandle(process);
    // The finish page lays itself out after Close is enabled: the picture
    // waits for the details list to show.
    for (int i = 0; i < 100 && !IsWindowVisible(lists[0]); ++i)
        Sleep(100);
    if (!IsWindowVisible(lists[0])) {
        std::fprintf(stderr, "the details list did not show\n");
        return 1;
    }
    Photograph(installer, shots + "\\installer_details.bmp");
    PostMessageA(installer, WM_COMMAND, IDOK, 0);
    return 0;
}
