// Small wrappers of the common controls the dialogs use.
#pragma once

#include "framework/window.h"

#include <commctrl.h>

#include <string>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int size, UINT flags, int initial, int grow);
    // Adds the module's icon of that id; returns its index, or -1.
    int AddIcon(UINT iconId);
    HIMAGELIST Get() const { return list_; }
    void Destroy();

private:
    HIMAGELIST list_ = nullptr;
};

class CTreeCtrl : public CWnd {
public:
    // One message carries the text, the data and the image (selected or not).
    HTREEITEM InsertItem(const std::string& label, HTREEITEM parent, DWORD data, int image,
                         HTREEITEM after = TVI_SORT) const;
    bool DeleteItem(HTREEITEM item) const { return TreeView_DeleteItem(m_hWnd, item) != FALSE; }
    std::string GetItemText(HTREEITEM item) const;
    void SetItemText(HTREEITEM item, const std::string& text) const;
    DWORD GetItemData(HTREEITEM item) const;
    void SetItemData(HTREEITEM item, DWORD data) const;
    void SetItemImage(HTREEITEM item, int image) const;
    int GetItemImage(HTREEITEM item) const;
    HTREEITEM GetRoot() const { return TreeView_GetRoot(m_hWnd); }
    HTREEITEM GetChild(HTREEITEM item) const { return TreeView_GetChild(m_hWnd, item); }
    HTREEITEM GetNextSibling(HTREEITEM item) const { return TreeView_GetNextSibling(m_hWnd, item); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return TreeView_GetParent(m_hWnd, item); }
    HTREEITEM GetSelection() const { return TreeView_GetSelection(m_hWnd); }
    bool Select(HTREEITEM item) const { return TreeView_SelectItem(m_hWnd, item) != FALSE; }
    void Expand(HTREEITEM item) const { TreeView_Expand(m_hWnd, item, TVE_EXPAND); }
    void EnsureVisible(HTREEITEM item) const { TreeView_EnsureVisible(m_hWnd, item); }
    void SetImageList(HIMAGELIST list) const { TreeView_SetImageList(m_hWnd, list, TVSIL_NORMAL); }
    // Stops repainting during a long fill, and resumes it.
    void SetRedraw(bool redraw) const { SendMessageA(m_hWnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0); }
};
