#include "plain_property_sheet.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace {

const int kTreeId = 1000;

void AddText(std::vector<WORD>& words, const wchar_t* text)
{
    do
        words.push_back(static_cast<WORD>(*text));
    while (*text++);
}

void AddDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

// A page template in memory: one tree filling the page, in the font the
// applet's templates name.
std::vector<WORD> PageTemplate()
{
    std::vector<WORD> words;
    AddDword(words, WS_CHILD | DS_CONTROL | DS_SETFONT);
    AddDword(words, 0);
    words.push_back(1);                         // one control
    for (short value : {0, 0, 250, 150})        // x, y, width, height
        words.push_back(static_cast<WORD>(value));
    words.push_back(0);                         // no menu
    words.push_back(0);                         // the standard class
    words.push_back(0);                         // no title
    words.push_back(8);
    AddText(words, L"MS Shell Dlg");
    if (words.size() % 2)
        words.push_back(0);                     // items start on a DWORD
    AddDword(words, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                        TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    AddDword(words, 0);
    for (short value : {7, 7, 236, 136})
        words.push_back(static_cast<WORD>(value));
    words.push_back(kTreeId);
    AddText(words, WC_TREEVIEWW);
    words.push_back(0);                         // no title
    words.push_back(0);                         // no creation data
    return words;
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char* label, int image)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(label);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void FillPage(HWND page)
{
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 1);
    for (LPCSTR id : {IDI_APPLICATION, IDI_INFORMATION, IDI_WARNING, IDI_ERROR, IDI_QUESTION}) {
        HICON icon = CopyIcon(LoadIconA(nullptr, id));
        ImageList_AddIcon(images, icon);
        DestroyIcon(icon);
    }
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(images));
    HWND tree = GetDlgItem(page, kTreeId);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    HTREEITEM root = Insert(tree, TVI_ROOT, "Computer", 0);
    for (const char* name : {"IEEE0", "IEEE1", "IEEE2", "IEEE3"})
        Insert(tree, Insert(tree, root, name, 1), "Wave", 4);
    TreeView_Expand(tree, root, TVE_EXPAND);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        FillPage(page);
        return TRUE;
    }
    if (message == WM_DESTROY)
        ImageList_Destroy(reinterpret_cast<HIMAGELIST>(GetWindowLongPtrA(page, DWLP_USER)));
    return FALSE;
}

} // namespace

void OpenPlainSheet()
{
    std::vector<WORD> pageTemplate = PageTemplate();
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    page.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(pageTemplate.data());
    page.pszTitle = "Page";
    page.pfnDlgProc = PageProc;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.pszCaption = kPlainSheetCaption;
    header.nPages = 1;
    header.ppsp = &page;
    PropertySheetA(&header);
}
