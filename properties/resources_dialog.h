// CResourcesDialog: "Change System Resources" for an ISA board on legacy NT.
#pragma once

#include "framework/dialog.h"
#include "framework/mapped_window.h"
#include "properties/system_resources.h"

#include <string>

class CResourcesDialog : public CMapped<CResourcesDialog, CDialog> {
public:
    explicit CResourcesDialog(HWND parent);
    const RuntimeClass& GetRuntimeClass() const override;

    // Set before the run, read back after OK.
    std::string m_interfaceName;
    std::string m_boardModel;
    BoardResources m_resources;

    void OnDmaNone();
    void OnSetDefaults();

    static const MessageMap<CResourcesDialog> kMessageMap;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void OnOK() override;

private:
    // The list texts of the current values, and the lists' enabled states.
    void FormTexts();
    void ShowValues();

    std::string m_ioText;
    std::string m_irqText;
    std::string m_dmaText;
};
