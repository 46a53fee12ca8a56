// CCplCtrlDialog: the applet's property sheet with its one page.
#pragma once

#include "applet/bus_page.h"
#include "framework/message_map.h"
#include "framework/property_sheet.h"

class CCplCtrlDialog : public CPropertySheet {
public:
    CCplCtrlDialog(const std::string& caption, HWND parent, UINT startPage);
    const RuntimeClass& GetRuntimeClass() const override;

    // The sheet's buttons.
    void OnApply();
    void OnCancelSheet();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    static const CommandEntry<CCplCtrlDialog> kCommands[];
    CPropPageInD m_page;
};
