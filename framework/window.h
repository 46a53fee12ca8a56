// CWnd: a window handle, the few calls the dialogs make on it, and the two
// messages a window class may route through its message map.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

    std::string GetText() const;
    void SetText(const std::string& text) const { SetWindowTextA(m_hWnd, text.c_str()); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const { SetDlgItemTextA(m_hWnd, id, text.c_str()); }
    void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }
    void ShowItem(int id, bool show) const { ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }
    bool IsItemChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void CheckItem(int id, bool check) const { CheckDlgButton(m_hWnd, id, check ? BST_CHECKED : BST_UNCHECKED); }
    // A control's rectangle in this window's client coordinates.
    RECT ItemRect(int id) const;
    void MoveItem(int id, int dx, int dy) const;

    // A control's notification; true when the window handled it.
    virtual bool OnCommand(int, int) { return false; }
    // A WM_NOTIFY; true (with `result`) when the window handled it.
    virtual bool OnNotify(const NMHDR*, LRESULT&) { return false; }

    HWND m_hWnd = nullptr;
};

std::string WindowText(HWND hwnd);
