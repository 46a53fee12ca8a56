// CRenameDialog: asks for an item's new name.
#pragma once

#include "framework/dialog.h"

#include <string>

class CRenameDialog : public CDialog {
public:
    explicit CRenameDialog(HWND parent);
    const RuntimeClass& GetRuntimeClass() const override;

    std::string m_strFrom;
    std::string m_strTo;
    // The word after "Rename " in the title.
    std::string m_strKind;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
};
