#include "framework/dialog.h"

#include "framework/module.h"

CDialog::~CDialog()
{
    Detach();
}

INT_PTR CDialog::DoModal()
{
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId_), parent_, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::DoDataExchange(DataExchange&) {}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

void CDialog::Detach()
{
    if (m_hWnd && IsWindow(m_hWnd) &&
        GetWindowLongPtrA(m_hWnd, DWLP_USER) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    m_hWnd = nullptr;
}

bool CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (OnCommand(id, code)) {
            result = TRUE;
            return true;
        }
        if (code == BN_CLICKED && id == IDOK) {
            OnOK();
            result = TRUE;
            return true;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_NOTIFY: {
        LRESULT notifyResult = 0;
        if (!OnNotify(reinterpret_cast<const NMHDR*>(lParam), notifyResult))
            return false;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, notifyResult);
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A property page is attached by its own procedure before it gets here.
    if (message == WM_INITDIALOG && !GetWindowLongPtrA(hwnd, DWLP_USER))
        reinterpret_cast<CDialog*>(lParam)->Attach(hwnd);
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog)
        return FALSE;
    INT_PTR result = FALSE;
    bool handled = dialog->HandleMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY)
        dialog->Detach();
    return handled ? result : FALSE;
}
