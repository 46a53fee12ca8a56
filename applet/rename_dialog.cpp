#include "applet/rename_dialog.h"

#include "config/node_naming.h"
#include "resources/resource.h"

namespace {

const RuntimeClass g_renameClass("CRenameDialog", nullptr);

} // namespace

CRenameDialog::CRenameDialog(HWND parent) : CDialog(IDD_RENAME, parent) {}

const RuntimeClass& CRenameDialog::GetRuntimeClass() const
{
    return g_renameClass;
}

void CRenameDialog::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_RENAME_FROM, m_strFrom);
    dx.Text(IDC_RENAME_TO, m_strTo);
    dx.MaxChars(IDC_RENAME_TO, m_strTo, static_cast<int>(kMaxNodeNameChars));
    dx.Text(IDC_RENAME_KIND, m_strKind);
}

BOOL CRenameDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetText("Rename " + m_strKind);
    HWND edit = Item(IDC_RENAME_TO);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    return FALSE;
}
