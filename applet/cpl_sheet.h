// CCplCtrlDialog: the applet's property sheet with its one page.
#pragma once

#include "applet/bus_page.h"
#include "framework/mapped_window.h"
#include "framework/property_sheet.h"

class CCplCtrlDialog : public CMapped<CCplCtrlDialog, CPropertySheet> {
public:
    CCplCtrlDialog(const std::string& caption, HWND parent, UINT startPage);
    const RuntimeClass& GetRuntimeClass() const override;

    // The sheet's buttons.
    void OnApply();
    void OnCancelSheet();

    static const MessageMap<CCplCtrlDialog> kMessageMap;

protected:
    BOOL OnInitDialog() override;

private:
    CPropPageInD m_page;
};
