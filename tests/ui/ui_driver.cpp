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

namespace {

// One copy of the window, frame included, as 24-bit rows bottom up.
struct WindowPicture {
    int width = 0;
    int height = 0;
    std::vector<char> bits;
};

WindowPicture CopyWindow(HWND hwnd)
{
    WindowPicture picture;
    RECT rect;
    GetWindowRect(hwnd, &rect);
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    if (picture.width <= 0 || picture.height <= 0)
        return picture;
    HDC window = GetWindowDC(hwnd);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, window, 0, 0, SRCCOPY);
    GdiFlush();
    size_t stride = ((picture.width * 3 + 3) / 4) * 4;
    const char* first = static_cast<const char*>(bits);
    picture.bits.assign(first, first + stride * picture.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
    return picture;
}

bool SamePicture(const WindowPicture& a, const WindowPicture& b)
{
    return a.width == b.width && a.height == b.height && a.bits == b.bits;
}

bool WriteBitmapFile(const WindowPicture& picture, const std::string& path)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + picture.bits.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(picture.bits.data(), static_cast<std::streamsize>(picture.bits.size()));
    return out.good();
}

} // namespace

bool SaveScreenshot(HWND hwnd, const std::string& path)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    WindowPicture picture = CopyWindow(hwnd);
    if (picture.bits.empty())
        return false;
    if (owner == GetCurrentProcessId())
        return WriteBitmapFile(picture, path);
    // Another process's drawing reaches the display when that process flushes
    // it: wait until three copies 100 ms apart agree, for at most 10 s.
    int agreeing = 1;
    for (int i = 0; i < 100 && agreeing < 3; ++i) {
        Sleep(100);
        WindowPicture next = CopyWindow(hwnd);
        agreeing = SamePicture(next, picture) ? agreeing + 1 : 1;
        picture = std::move(next);
    }
    return agreeing >= 3 && WriteBitmapFile(picture, path);
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
