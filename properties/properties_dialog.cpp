#include "properties/properties_dialog.h"

#include "config/config_layout.h"
#include "config/hardware_store.h"
#include "config/os_family.h"
#include "config/registry_access.h"
#include "discovery/board_discovery.h"
#include "framework/module.h"
#include "properties/not_saved.h"
#include "properties/resources_dialog.h"
#include "properties/system_resources.h"
#include "resources/resource.h"
#include "text/text_compare.h"

namespace {

const RuntimeClass g_propertiesClass("CPropertiesDialog", nullptr);

const char kUnassigned[] = "(Unassigned or not-present)";

void FillNumbers(HWND list, int last)
{
    for (int i = 0; i <= last; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
}

void FillEosList(HWND list)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kTerminatorCount; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(EosListText(i).c_str()));
}

// Adds an entry that carries `index` and returns its position.
int AddEntry(HWND list, const std::string& text, size_t index)
{
    int position = static_cast<int>(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(position), static_cast<LPARAM>(index));
    return position;
}

// The controls with handlers of their own come first; every other edit and
// list only enables Apply, and so do the two EOI boxes.
const CommandEntry<CPropertiesDialog> kCommands[] = {
    {IDC_SECONDARY_NONE, BN_CLICKED, &CPropertiesDialog::OnSecondaryNone},
    {IDC_IN_EOS, CBN_SELCHANGE, &CPropertiesDialog::OnEosInChange},
    {IDC_OUT_EOS, CBN_SELCHANGE, &CPropertiesDialog::OnEosOutChange},
    {IDC_HARDWARE, CBN_SELCHANGE, &CPropertiesDialog::OnHardwareChange},
    {IDC_BLOCK_MODE, BN_CLICKED, &CPropertiesDialog::OnBlockMode},
    {IDC_SYSTEM_RESOURCES, BN_CLICKED, &CPropertiesDialog::OnSystemResources},
    {IDC_APPLY, BN_CLICKED, &CPropertiesDialog::OnApply},
    {IDC_IN_EOI, BN_CLICKED, &CPropertiesDialog::OnFieldChange},
    {IDC_OUT_EOI, BN_CLICKED, &CPropertiesDialog::OnFieldChange},
    {kAnyControl, EN_CHANGE, &CPropertiesDialog::OnFieldChange},
    {kAnyControl, CBN_SELCHANGE, &CPropertiesDialog::OnFieldChange},
};

} // namespace

const int CPropertiesDialog::IDC_APPLY_BUTTON = IDC_APPLY;

const MessageMap<CPropertiesDialog> CPropertiesDialog::kMessageMap = MakeMessageMap(kCommands);

CPropertiesDialog::CPropertiesDialog(HWND parent) : CMapped(IDD_PROPERTIES, parent) {}

const RuntimeClass& CPropertiesDialog::GetRuntimeClass() const
{
    return g_propertiesClass;
}

void CPropertiesDialog::DoDataExchange(DataExchange& dx)
{
    // Addresses, then the validated fields in the order of their prompts.
    dx.ListIndex(IDC_PRIMARY, m_settings.primaryAddress);
    dx.ListIndex(IDC_SECONDARY, m_settings.secondaryAddress);
    dx.Check(IDC_SECONDARY_NONE, m_settings.secondaryNone);
    DWORD timeout = static_cast<DWORD>(m_settings.timeout);
    dx.UInt(IDC_TIMEOUT, timeout);
    m_settings.timeout = timeout;
    dx.Int(IDC_IN_TERM1, m_settings.in.term1, 0, kMaxTermChar);
    dx.Int(IDC_IN_TERM2, m_settings.in.term2, 0, kMaxTermChar);
    dx.Int(IDC_OUT_TERM1, m_settings.out.term1, 0, kMaxTermChar);
    dx.Int(IDC_OUT_TERM2, m_settings.out.term2, 0, kMaxTermChar);
    dx.CheckState(IDC_IN_EOI, m_settings.in.eoi);
    dx.CheckState(IDC_OUT_EOI, m_settings.out.eoi);
    dx.ListText(IDC_IN_EOS, m_settings.in.eos);
    dx.ListText(IDC_OUT_EOS, m_settings.out.eos);
    if (m_kind == NodeKind::Interface)
        dx.Check(IDC_BLOCK_MODE, m_settings.blockModeEnabled);
}

BOOL CPropertiesDialog::OnInitDialog()
{
    SetText(m_itemName + " " + GetText());
    EnableApply(false);
    FillNumbers(Item(IDC_PRIMARY), 30);
    FillNumbers(Item(IDC_SECONDARY), 31);
    FillEosList(Item(IDC_IN_EOS));
    FillEosList(Item(IDC_OUT_EOS));
    LoadSettings(m_kind, m_nodePath, m_settings);
    UpdateData(false);
    FillHardwareList();
    EnableItem(IDC_SECONDARY, !m_settings.secondaryNone);
    OnHardwareChange();
    ApplyEosRule(true);
    ApplyEosRule(false);
    if (m_kind == NodeKind::Interface) {
        if (IsWinNT5OrLater()) {
            ShowItem(IDC_BLOCK_MODE, true);
            UpdateBlockMode(m_settings.hardwareKey);
        }
    } else {
        LayOutForDevice();
    }
    return TRUE;
}

void CPropertiesDialog::FillHardwareList()
{
    HWND list = Item(IDC_HARDWARE);
    HardwareKeyList boards = ListInstalledBoards();
    if (!IsPnpOs())
        SetItemText(IDC_HARDWARE_GROUP, LoadModuleString(IDS_HARDWARE_TYPES));
    const std::string& match = IsPnpOs() ? m_settings.hardwareKey : m_settings.boardModel;
    int slotCounter = 0;
    bool selected = false;
    for (int i = 0; i < kHardwareKeySlots && i < boards.count; ++i) {
        const char* board = boards.slots[i];
        if (!board)
            continue;
        char text[128] = "<null>";
        if (IsPnpOs())
            DescribeBoard(board, text, sizeof text, IsWinNT5OrLater() ? &slotCounter : nullptr);
        else
            ReadHardwareDescription(board, text, sizeof text);
        m_hardware.push_back(board);
        int position = AddEntry(list, text, m_hardware.size() - 1);
        if (m_hardware.back() == match) {
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
            selected = true;
        }
    }
    if (!selected) {
        m_hardware.push_back(match);
        int position = AddEntry(list, kUnassigned, m_hardware.size() - 1);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    }
}

std::string CPropertiesDialog::SelectedHardware() const
{
    HWND list = Item(IDC_HARDWARE);
    LRESULT position = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (position == CB_ERR)
        position = 0;
    LRESULT index = SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(position), 0);
    if (index == CB_ERR || static_cast<size_t>(index) >= m_hardware.size())
        return std::string();
    return m_hardware[static_cast<size_t>(index)];
}

void CPropertiesDialog::LayOutForDevice()
{
    RECT hardware = ItemRect(IDC_HARDWARE_GROUP);
    RECT terminators = ItemRect(IDC_TERMINATORS);
    int dx = terminators.left - hardware.left;
    int dy = terminators.top - hardware.top;
    RECT deviceIcon = ItemRect(IDC_ICON_DEVICE);
    RECT interfaceIcon = ItemRect(IDC_ICON_INTERFACE);
    MoveItem(IDC_ICON_DEVICE, interfaceIcon.left - deviceIcon.left, interfaceIcon.top - deviceIcon.top);
    ShowItem(IDC_ICON_DEVICE, true);
    ShowItem(IDC_ICON_INTERFACE, false);
    for (int id : {IDC_SECONDARY_LABEL, IDC_SECONDARY, IDC_SECONDARY_NONE})
        ShowItem(id, true);
    for (int id : {IDC_HARDWARE_GROUP, IDC_HARDWARE, IDC_SYSTEM_RESOURCES})
        ShowItem(id, false);
    for (int id : {IDOK, IDCANCEL, IDC_APPLY})
        MoveItem(id, dx, dy);
    RECT window;
    GetWindowRect(m_hWnd, &window);
    SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPropertiesDialog::OnFieldChange()
{
    EnableApply(true);
}

void CPropertiesDialog::OnSecondaryNone()
{
    bool none = IsItemChecked(IDC_SECONDARY_NONE);
    EnableItem(IDC_SECONDARY, !none);
    if (SendDlgItemMessageA(m_hWnd, IDC_SECONDARY, CB_GETCURSEL, 0, 0) == CB_ERR)
        SendDlgItemMessageA(m_hWnd, IDC_SECONDARY, CB_SETCURSEL, 0, 0);
    EnableApply(true);
}

void CPropertiesDialog::ApplyEosRule(bool input)
{
    if (!UpdateData(true))
        return;
    TermRow& row = input ? m_settings.in : m_settings.out;
    ApplyEosValues(row);
    EosRule rule = EosRuleFor(row.eos);
    EnableItem(input ? IDC_IN_TERM1 : IDC_OUT_TERM1, rule.term1Enabled);
    EnableItem(input ? IDC_IN_TERM2 : IDC_OUT_TERM2, rule.term2Enabled);
    UpdateData(false);
}

void CPropertiesDialog::OnEosInChange()
{
    ApplyEosRule(true);
    EnableApply(true);
}

void CPropertiesDialog::OnEosOutChange()
{
    ApplyEosRule(false);
    EnableApply(true);
}

void CPropertiesDialog::OnHardwareChange()
{
    if (IsPnpOs()) {
        m_settings.hardwareKey = SelectedHardware();
        UpdateBlockMode(m_settings.hardwareKey);
    } else {
        m_settings.boardModel = SelectedHardware();
        // No model, no board: an empty key rather than a backslash and the node path.
        const char* joined = m_settings.boardModel.empty()
                                 ? nullptr
                                 : JoinKeyPath(m_settings.boardModel.c_str(), m_nodePath.c_str());
        m_settings.hardwareKey = joined ? joined : "";
        if (IsIsaModel(m_settings.boardModel.c_str()))
            ShowItem(IDC_SYSTEM_RESOURCES, m_kind == NodeKind::Interface);
    }
    EnableApply(true);
}

void CPropertiesDialog::UpdateBlockMode(const std::string& hardwareKey)
{
    if (!IsWinNT5OrLater())
        return;
    bool available =
        StartsWithNoCase(hardwareKey.c_str(), "PCI") || StartsWithNoCase(hardwareKey.c_str(), "PCMCIA");
    EnableItem(IDC_BLOCK_MODE, available);
    m_suppressBlockMode = true;
    CheckItem(IDC_BLOCK_MODE, available && m_settings.blockModeEnabled);
    m_suppressBlockMode = false;
}

void CPropertiesDialog::OnBlockMode()
{
    if (!m_suppressBlockMode)
        m_settings.blockModeEnabled = IsItemChecked(IDC_BLOCK_MODE) ? 1 : 0;
    EnableApply(true);
}

void CPropertiesDialog::OnSystemResources()
{
    CResourcesDialog dialog(m_hWnd);
    dialog.m_interfaceName = m_itemName;
    dialog.m_boardModel = m_settings.boardModel;
    // Without a readable instance key the dialog starts from the factory values.
    if (!ReadResources(m_settings.hardwareKey, dialog.m_resources))
        dialog.m_resources = FactoryResources(m_settings.boardModel);
    if (dialog.DoModal() == IDOK)
        WriteResources(m_settings.hardwareKey, dialog.m_resources);
}

bool CPropertiesDialog::SaveAll()
{
    if (!UpdateData(true))
        return false;
    if (StoreSettings(m_kind, m_nodePath, m_settings))
        return true;
    // A node that is gone is not written at all: the dialog only stays open.
    if (RegPathExists(HKEY_CURRENT_USER, kConfigRootPath, m_nodePath.c_str())) {
        std::string text = NotSavedText(LoadModuleString(IDS_NOT_SAVED), {{m_itemName, m_nodePath}});
        MessageBoxA(m_hWnd, text.c_str(), GetText().c_str(), MB_OK | MB_ICONSTOP);
    }
    return false;
}

void CPropertiesDialog::OnOK()
{
    if (SaveAll())
        EndDialog(IDOK);
}

void CPropertiesDialog::OnApply()
{
    if (SaveAll())
        EnableApply(false);
}
