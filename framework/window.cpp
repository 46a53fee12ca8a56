#include "framework/window.h"

#include <vector>

std::string WindowText(HWND hwnd)
{
    int length = GetWindowTextLengthA(hwnd);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(hwnd, text.data(), length + 1);
    return std::string(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string CWnd::GetText() const
{
    return WindowText(m_hWnd);
}

std::string CWnd::ItemText(int id) const
{
    return WindowText(Item(id));
}

RECT CWnd::ItemRect(int id) const
{
    RECT rect = {};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CWnd::MoveItem(int id, int dx, int dy) const
{
    RECT rect = ItemRect(id);
    SetWindowPos(Item(id), nullptr, rect.left + dx, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
