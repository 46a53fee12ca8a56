#include "ui_driver.h"

#include <cstdio>
#include <fstream>

namespace {

struct Search {
    const std::string* caption;
    bool messageBox;
    HWND found;
};

// Message boxes carry their text in a static of id 0xFFFF.
bool IsMessageBox(HWND hwnd)
{
    return GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    if (IsWindowVisible(hwnd) && TextOf(hwnd) == *search->caption && IsMessageBox(hwnd) == search->messageBox) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::vector<TreeItem> ReadItems(HWND tree, HTREEITEM first)
{
    std::vector<TreeItem> items;
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        char text[260] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_STATE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        tv.stateMask = TVIS_EXPANDED;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        items.push_back(TreeItem{item, text, tv.iImage, tv.lParam, (tv.state & TVIS_EXPANDED) != 0,
                                 ReadItems(tree, TreeView_GetChild(tree, item))});
    }
    return items;
}

struct Runner {
    std::vector<std::function<bool()>> steps;
    size_t next = 0;
    int ticks = 0;
    int maxTicks = 0;
    bool timedOut = false;
    std::function<HWND()> closeOnTimeout;
};

Runner* g_runner = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Runner* runner = g_runner;
    if (!runner || runner->next >= runner->steps.size())
        return;
    if (++runner->ticks > runner->maxTicks) {
        runner->timedOut = true;
        runner->next = runner->steps.size();
        HWND window = runner->closeOnTimeout ? runner->closeOnTimeout() : nullptr;
        if (window)
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // Steps may open nested modal loops; only the outermost tick runs a step.
    size_t index = runner->next;
    runner->next = runner->steps.size() + 1;
    bool done = runner->steps[index]();
    runner->next = done ? index + 1 : index;
}

} // namespace

HWND FindThreadWindow(const std::string& caption)
{
    Search search{&caption, false, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string TextOf(HWND hwnd)
{
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

HWND FindControl(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (control)
        return control;
    HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
    return page ? GetDlgItem(page, id) : nullptr;
}

void Click(HWND dialog, int id)
{
    // Posted: what the click opens runs in the modal loop, not inside the step.
    PostMessageA(FindControl(dialog, id), BM_CLICK, 0, 0);
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(FindControl(dialog, id)) != FALSE;
}

std::vector<TreeItem> ReadTree(HWND tree)
{
    return ReadItems(tree, TreeView_GetRoot(tree));
}

HTREEITEM SelectedItem(HWND tree)
{
    return TreeView_GetSelection(tree);
}

void SelectItem(HWND tree, HTREEITEM item)
{
    TreeView_SelectItem(tree, item);
}

bool SaveScreenshot(HWND hwnd, const std::string& path)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    DWORD stride = ((width * 3 + 3) / 4) * 4;
    DWORD imageSize = stride * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out.good();
}

bool RunWithSteps(const std::function<void()>& open, std::vector<std::function<bool()>> steps,
                  const std::function<HWND()>& closeOnTimeout, int maxTicks, UINT tickMs)
{
    Runner runner;
    runner.steps = std::move(steps);
    runner.maxTicks = maxTicks;
    runner.closeOnTimeout = closeOnTimeout;
    g_runner = &runner;
    UINT_PTR timer = SetTimer(nullptr, 0, tickMs, Tick);
    open();
    KillTimer(nullptr, timer);
    g_runner = nullptr;
    return !runner.timedOut && runner.next >= runner.steps.size();
}

void ChooseListEntry(HWND dialog, int id, int index)
{
    HWND list = FindControl(dialog, id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int ListEntryIndex(HWND dialog, int id, const std::string& text)
{
    return static_cast<int>(
        SendMessageA(FindControl(dialog, id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text.c_str())));
}

std::string SelectedListText(HWND dialog, int id)
{
    HWND list = FindControl(dialog, id);
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return std::string();
    char text[256] = "";
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void TypeText(HWND dialog, int id, const std::string& text)
{
    SetWindowTextA(FindControl(dialog, id), text.c_str());
}

bool IsShown(HWND dialog, int id)
{
    return IsWindowVisible(FindControl(dialog, id)) != FALSE;
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageA(FindControl(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND FindMessageBox(const std::string& caption, std::string* text)
{
    Search search{&caption, true, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
    HWND box = search.found;
    if (box && text)
        *text = TextOf(GetDlgItem(box, 0xFFFF));
    return box;
}

void Answer(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}
