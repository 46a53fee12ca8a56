// Driving real windows from a test: finding them, reading their controls,
// pressing their buttons and photographing them. Steps run from a thread
// timer, which the modal loops of dialogs and property sheets dispatch.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

// A top-level window of this thread whose caption is `caption`, message
// boxes left out; null if none.
HWND FindThreadWindow(const std::string& caption);
// The text of a window.
std::string TextOf(HWND hwnd);
// The control of that id in a dialog, or in the dialog of a property sheet's page.
HWND FindControl(HWND dialog, int id);

// Presses a button as a click does (the button must be enabled to act). The
// click is posted: it takes effect once the current step has returned.
void Click(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);

// One tree item as the user sees it.
struct TreeItem {
    HTREEITEM handle;
    std::string label;
    int image;
    LPARAM data;
    bool expanded;
    std::vector<TreeItem> children;
};

std::vector<TreeItem> ReadTree(HWND tree);
HTREEITEM SelectedItem(HWND tree);
void SelectItem(HWND tree, HTREEITEM item);

// Saves the window, frame included, as a 24-bit BMP file once it has been
// drawn. A window of this process is read from what Wine keeps of its drawing,
// so the picture never depends on how fast the display catches up; one of
// another process is copied until three successive copies agree. False when
// it could not be copied, or did not settle within 10 s.
bool SaveScreenshot(HWND hwnd, const std::string& path);

// Runs `open` (which enters a modal loop) while `steps` run one per timer
// tick; a step returns false to be tried again at the next tick. Returns
// false when the steps did not all finish in time; the window of
// `closeOnTimeout` (when given) is then closed so that `open` returns. A
// tick comes every `tickMs` milliseconds.
bool RunWithSteps(const std::function<void()>& open, std::vector<std::function<bool()>> steps,
                  const std::function<HWND()>& closeOnTimeout = nullptr, int maxTicks = 2000, UINT tickMs = 50);

// Selects an entry of a drop-down list as the user does (the dialog hears of it).
void ChooseListEntry(HWND dialog, int id, int index);
// The index of the first entry with exactly this text, or -1.
int ListEntryIndex(HWND dialog, int id, const std::string& text);
// The selected entry's text ("" when none is selected).
std::string SelectedListText(HWND dialog, int id);
// Types text into an edit (the dialog hears of the change).
void TypeText(HWND dialog, int id, const std::string& text);
bool IsShown(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// A message box of this thread with that caption: its text, and its window.
HWND FindMessageBox(const std::string& caption, std::string* text = nullptr);
// Answers a message box with one of its buttons (IDOK, IDCANCEL, ...).
void Answer(HWND box, int button);
