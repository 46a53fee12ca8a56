// CPropertiesDialog: the settings of one interface or device.
#pragma once

#include "framework/dialog.h"
#include "framework/mapped_window.h"
#include "properties/item_settings.h"

#include <string>
#include <vector>

class CPropertiesDialog : public CMapped<CPropertiesDialog, CDialog> {
public:
    explicit CPropertiesDialog(HWND parent);
    const RuntimeClass& GetRuntimeClass() const override;

    // Inputs, set before the run.
    NodeKind m_kind = NodeKind::Device;
    std::string m_nodePath;
    std::string m_itemName;

    void OnFieldChange();
    void OnSecondaryNone();
    void OnEosInChange();
    void OnEosOutChange();
    void OnHardwareChange();
    void OnBlockMode();
    void OnSystemResources();
    void OnApply();

    static const MessageMap<CPropertiesDialog> kMessageMap;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    void OnOK() override;

private:
    bool SaveAll();
    void ApplyEosRule(bool input);
    void UpdateBlockMode(const std::string& hardwareKey);
    std::string SelectedHardware() const;
    void FillHardwareList();
    void LayOutForDevice();
    void EnableApply(bool enable) { EnableItem(IDC_APPLY_BUTTON, enable); }

    static const int IDC_APPLY_BUTTON;

    ItemSettings m_settings;
    // The strings the hardware list's entries carry, by entry data.
    std::vector<std::string> m_hardware;
    bool m_suppressBlockMode = false;
};
