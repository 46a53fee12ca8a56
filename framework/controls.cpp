#include "framework/controls.h"

#include "framework/module.h"

#include <vector>

bool CImageList::Create(int size, UINT flags, int initial, int grow)
{
    Destroy();
    list_ = ImageList_Create(size, size, flags, initial, grow);
    return list_ != nullptr;
}

int CImageList::AddIcon(UINT iconId)
{
    // Shared: loaded once per process and freed by the system. The list gets
    // a copy: given the module's icon, it loads its own from the module and
    // destroys it, and Wine keeps part of every such icon (about 130 bytes).
    HICON shared = static_cast<HICON>(
        LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, LR_SHARED));
    HICON copy = shared ? CopyIcon(shared) : nullptr;
    if (!copy)
        return -1;
    int index = ImageList_AddIcon(list_, copy);
    DestroyIcon(copy);
    return index;
}

void CImageList::Destroy()
{
    if (list_)
        ImageList_Destroy(list_);
    list_ = nullptr;
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& label, HTREEITEM parent, DWORD data, int image,
                                HTREEITEM after) const
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(label.c_str());
    insert.item.lParam = static_cast<LPARAM>(data);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(m_hWnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    std::vector<char> text(260);
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text.data();
    tv.cchTextMax = static_cast<int>(text.size());
    if (!SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return std::string();
    return tv.pszText;
}

void CTreeCtrl::SetItemText(HTREEITEM item, const std::string& text) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<char*>(text.c_str());
    SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

DWORD CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return 0;
    return static_cast<DWORD>(tv.lParam);
}

void CTreeCtrl::SetItemData(HTREEITEM item, DWORD data) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = static_cast<LPARAM>(data);
    SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

void CTreeCtrl::SetItemImage(HTREEITEM item, int image) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tv.hItem = item;
    tv.iImage = image;
    tv.iSelectedImage = image;
    SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

int CTreeCtrl::GetItemImage(HTREEITEM item) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_IMAGE;
    tv.hItem = item;
    if (!SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return -1;
    return tv.iImage;
}
