#include "framework/property_sheet.h"

#include "framework/module.h"

namespace {

const char kSheetProperty[] = "quenbus.sheet";

} // namespace

void CPropertyPage::SetModified(bool changed) const
{
    HWND sheet = GetParent(m_hWnd);
    SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

PROPSHEETPAGEA CPropertyPage::Describe()
{
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ModuleInstance();
    page.pszTemplate = MAKEINTRESOURCEA(TemplateId());
    page.pfnDlgProc = StaticPageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

bool CPropertyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_NOTIFY) {
        // Leaving the page validates it and applying asks the page; the sheet's
        // other notifications take the standard answer. Only notifications
        // from the sheet are page events.
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == GetParent(m_hWnd)) {
            if (header->code == PSN_KILLACTIVE)
                SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, UpdateData(true) ? FALSE : TRUE);
            else if (header->code == PSN_APPLY)
                SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT,
                                  ApplyAccepted() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
            else
                return false;
            result = TRUE;
            return true;
        }
    }
    return CDialog::HandleMessage(message, wParam, lParam, result);
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        page->Attach(hwnd);
        if (page->sheet_ && !page->sheet_->m_hWnd)
            page->sheet_->AttachSheet(GetParent(hwnd));
    }
    return StaticDialogProc(hwnd, message, wParam, lParam);
}

CPropertySheet::~CPropertySheet()
{
    DetachSheet();
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    page->sheet_ = this;
    pages_.push_back(page);
}

INT_PTR CPropertySheet::DoModal()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage* page : pages_)
        pages.push_back(page->Describe());
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hwndParent = parent_;
    header.hInstance = ModuleInstance();
    header.pszCaption = caption_.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = startPage_;
    header.ppsp = pages.data();
    INT_PTR result = PropertySheetA(&header);
    DetachSheet();
    return result;
}

BOOL CPropertySheet::OnInitDialog()
{
    return TRUE;
}

void CPropertySheet::AttachSheet(HWND hwnd)
{
    m_hWnd = hwnd;
    // The window procedure finds the sheet by the property: without it the
    // window keeps its own procedure.
    if (SetPropA(hwnd, kSheetProperty, reinterpret_cast<HANDLE>(this)))
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetWindowProc)));
    OnInitDialog();
}

void CPropertySheet::DetachSheet()
{
    if (m_hWnd && IsWindow(m_hWnd) && original_) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(m_hWnd, kSheetProperty);
    }
    original_ = nullptr;
    m_hWnd = nullptr;
}

LRESULT CALLBACK CPropertySheet::SheetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* sheet = reinterpret_cast<CPropertySheet*>(GetPropA(hwnd, kSheetProperty));
    if (!sheet)
        return DefDlgProcA(hwnd, message, wParam, lParam);
    WNDPROC original = sheet->original_;
    if (message == WM_COMMAND)
        sheet->OnCommand(LOWORD(wParam), HIWORD(wParam));
    // The close box cancels the sheet like its Cancel button.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        sheet->OnCommand(IDCANCEL, BN_CLICKED);
    if (message == WM_NCDESTROY) {
        // The window goes: give it its own procedure back first.
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(hwnd, kSheetProperty);
        sheet->original_ = nullptr;
        sheet->m_hWnd = nullptr;
    }
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}
