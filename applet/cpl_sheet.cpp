#include "applet/cpl_sheet.h"

namespace {

const RuntimeClass g_sheetClass("CCplCtrlDialog", nullptr);

const CommandEntry<CCplCtrlDialog> kCommands[] = {
    {kApplyButtonId, BN_CLICKED, &CCplCtrlDialog::OnApply},
    {IDOK, BN_CLICKED, &CCplCtrlDialog::OnApply},
    {IDCANCEL, BN_CLICKED, &CCplCtrlDialog::OnCancelSheet},
};

} // namespace

const MessageMap<CCplCtrlDialog> CCplCtrlDialog::kMessageMap = MakeMessageMap(kCommands);

CCplCtrlDialog::CCplCtrlDialog(const std::string& caption, HWND parent, UINT startPage)
    : CMapped(caption, parent, startPage)
{
    AddPage(&m_page);
}

const RuntimeClass& CCplCtrlDialog::GetRuntimeClass() const
{
    return g_sheetClass;
}

BOOL CCplCtrlDialog::OnInitDialog()
{
    CPropertySheet::OnInitDialog();
    // The platform does not move the focus after initialisation.
    return FALSE;
}

void CCplCtrlDialog::OnApply()
{
    m_page.CommitChanges();
}

void CCplCtrlDialog::OnCancelSheet()
{
    m_page.RollbackChanges();
}
