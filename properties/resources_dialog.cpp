#include "properties/resources_dialog.h"

#include "framework/module.h"
#include "resources/resource.h"

namespace {

const RuntimeClass g_resourcesClass("CResourcesDialog", nullptr);

void FillList(HWND list, const ResourceList& values, bool hex)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < values.count; ++i) {
        std::string text = hex ? PortText(values.values[i]) : std::to_string(values.values[i]);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

const CommandEntry<CResourcesDialog> kCommands[] = {
    {IDC_DMA_NONE, BN_CLICKED, &CResourcesDialog::OnDmaNone},
    {IDC_SET_DEFAULTS, BN_CLICKED, &CResourcesDialog::OnSetDefaults},
};

} // namespace

const MessageMap<CResourcesDialog> CResourcesDialog::kMessageMap = MakeMessageMap(kCommands);

CResourcesDialog::CResourcesDialog(HWND parent) : CMapped(IDD_RESOURCES, parent) {}

const RuntimeClass& CResourcesDialog::GetRuntimeClass() const
{
    return g_resourcesClass;
}

void CResourcesDialog::DoDataExchange(DataExchange& dx)
{
    dx.Check(IDC_IRQ_NONE, m_resources.irqNone);
    dx.Check(IDC_DMA_NONE, m_resources.dmaNone);
    dx.ListText(IDC_IO, m_ioText);
    dx.ListText(IDC_IRQ, m_irqText);
    dx.ListText(IDC_DMA, m_dmaText);
}

void CResourcesDialog::FormTexts()
{
    m_ioText = PortText(m_resources.portAddr);
    m_irqText = std::to_string(m_resources.irqLevel);
    m_dmaText = std::to_string(m_resources.dmaChan);
}

void CResourcesDialog::ShowValues()
{
    UpdateData(false);
    EnableItem(IDC_IRQ, !m_resources.irqNone);
    EnableItem(IDC_DMA, !IsItemChecked(IDC_DMA_NONE));
}

BOOL CResourcesDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const ResourceLists& lists = LookupResourceLists(m_boardModel);
    FillList(Item(IDC_IO), lists.io, true);
    FillList(Item(IDC_IRQ), lists.irq, false);
    FillList(Item(IDC_DMA), lists.dma, false);
    EnableItem(IDC_IO_NONE, lists.io.noneAllowed);
    EnableItem(IDC_IRQ_NONE, lists.irq.noneAllowed);
    EnableItem(IDC_DMA_NONE, lists.dma.noneAllowed);
    FormTexts();
    SetItemText(IDC_RES_NAME, m_interfaceName);
    SetItemText(IDC_RES_TYPE, m_boardModel);
    ShowValues();
    return TRUE;
}

void CResourcesDialog::OnDmaNone()
{
    EnableItem(IDC_DMA, !IsItemChecked(IDC_DMA_NONE));
}

void CResourcesDialog::OnSetDefaults()
{
    std::string caption = LoadModuleString(IDS_CONFIRM) + " " + ItemText(IDC_SET_DEFAULTS);
    std::string warning = LoadModuleString(IDS_DEFAULTS_WARNING);
    if (MessageBoxA(m_hWnd, warning.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    BoardResources factory = FactoryResources(m_boardModel);
    m_resources.portAddr = factory.portAddr;
    m_resources.irqLevel = factory.irqLevel;
    m_resources.dmaChan = factory.dmaChan;
    m_resources.irqNone = 0;
    m_resources.dmaNone = 0;
    FormTexts();
    ShowValues();
}

void CResourcesDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    m_resources.portAddr = HexPrefixValue(m_ioText);
    m_resources.irqLevel = DecimalPrefixValue(m_irqText);
    m_resources.dmaChan = DecimalPrefixValue(m_dmaText);
    EndDialog(IDOK);
}
