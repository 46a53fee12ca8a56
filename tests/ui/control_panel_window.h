// Wine's Control Panel (control.exe) seen from another process: its window,
// and the names and descriptions in its list of applets.
#pragma once

#include <windows.h>

#include <string>

// Waits up to `seconds` for a top-level window with that caption.
HWND WaitForWindow(const char* caption, int seconds);

// The Control Panel's list of applets, once it is made (it may show its
// window before, on a busy machine); null after ten seconds.
HWND WaitForAppletList(HWND panel);

// Text of a column of an item of a list view owned by `process`.
std::string ListItemText(HANDLE process, HWND list, int index, int subItem);
RECT ListItemRect(HANDLE process, HWND list, int index);
