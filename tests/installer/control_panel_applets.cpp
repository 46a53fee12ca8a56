// Prints the applets Wine's Control Panel lists, one "name<TAB>description"
// a line, then closes it: what a person sees in control.exe, for the
// installer's test. Exit status 1 when the Control Panel did not show a list.
#include "../ui/control_panel_window.h"

#include <commctrl.h>

#include <cstdio>

int main()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char command[] = "control.exe";
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start control.exe (error %lu)\n", GetLastError());
        return 1;
    }
    int status = 1;
    HWND panel = WaitForWindow("Wine Control Panel", 60);
    HWND list = panel ? WaitForAppletList(panel) : nullptr;
    if (list) {
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            std::printf("%s\t%s\n", ListItemText(process.hProcess, list, i, 0).c_str(),
                        ListItemText(process.hProcess, list, i, 1).c_str());
        status = 0;
    } else {
        std::fprintf(stderr, "the Control Panel showed no list of applets\n");
    }
    if (panel)
        PostMessageA(panel, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}
