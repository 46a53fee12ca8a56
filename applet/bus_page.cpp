#include "applet/bus_page.h"

#include "applet/rename_dialog.h"
#include "applet/sorted_insertion.h"
#include "buslink/interface_check.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/node_index.h"
#include "config/node_naming.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "setup/setup_exports.h"
#include "framework/module.h"
#include "properties/properties_dialog.h"
#include "resources/resource.h"
#include "text/text_compare.h"

#include <set>

namespace {

CObject* CreatePage()
{
    return new CPropPageInD();
}

const RuntimeClass g_pageClass("CPropPageInD", CreatePage);

// The order in which the tree's sorted insertion places each label at its
// first comparison. The tree compares wide texts of the ANSI code page with
// lstrcmpW; where this order disagrees, the tree still sorts, more slowly.
std::vector<size_t> TreeInsertionOrder(const std::vector<std::string>& labels)
{
    std::vector<std::wstring> texts;
    texts.reserve(labels.size());
    for (const std::string& label : labels) {
        int length = MultiByteToWideChar(CP_ACP, 0, label.c_str(), -1, nullptr, 0);
        std::wstring text(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, label.c_str(), -1, &text[0], length);
        texts.push_back(text);
    }
    return SortedInsertionOrder(labels.size(),
                                [&texts](size_t a, size_t b) { return lstrcmpW(texts[a].c_str(), texts[b].c_str()); });
}

const CommandEntry<CPropPageInD> kCommands[] = {
    {IDC_PROPERTIES, BN_CLICKED, &CPropPageInD::OnProperties},
    {IDC_ADD_DEVICE, BN_CLICKED, &CPropPageInD::OnAddDevice},
    {IDC_REMOVE, BN_CLICKED, &CPropPageInD::OnRemove},
    {IDC_RENAME, BN_CLICKED, &CPropPageInD::OnRename},
};

const NotifyEntry<CPropPageInD> kNotifications[] = {
    {IDC_TREE, NM_DBLCLK, &CPropPageInD::OnDblclkTree},
    {IDC_TREE, TVN_SELCHANGEDA, &CPropPageInD::OnSelchangedTree},
    {IDC_TREE, TVN_SELCHANGEDW, &CPropPageInD::OnSelchangedTree},
};

} // namespace

const MessageMap<CPropPageInD> CPropPageInD::kMessageMap = MakeMessageMap(kCommands, kNotifications);

CPropPageInD::CPropPageInD() : CMapped(IDD_BUS_CONFIG)
{
    m_removedKeys.reserve(10);
    m_addedKeys.reserve(10);
}

const RuntimeClass& CPropPageInD::GetRuntimeClass() const
{
    return g_pageClass;
}

void CPropPageInD::DoDataExchange(DataExchange& dx)
{
    dx.Control(IDC_TREE, m_tree);
}

BOOL CPropPageInD::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_imageList.Create(16, ILC_COLOR32 | ILC_MASK, 3, 1);
    m_rootImage = m_imageList.AddIcon(IDI_COMPUTER);
    m_acceptedImage = m_imageList.AddIcon(IDI_PLUG);
    m_failedImage = m_imageList.AddIcon(IDI_PLUG_FAILED);
    m_unrecognisedImage = m_imageList.AddIcon(IDI_PLUG_UNKNOWN);
    m_deviceImage = m_imageList.AddIcon(IDI_INSTRUMENT);
    m_tree.SetImageList(m_imageList.Get());
    RegInitUserConfig();
    m_tree.SetRedraw(false);
    FillTree();
    m_tree.SetRedraw(true);
    HTREEITEM root = m_tree.GetRoot();
    if (root) {
        m_tree.Expand(root);
        if (HTREEITEM first = m_tree.GetChild(root))
            m_tree.Select(first);
    }
    return FALSE;
}

int CPropPageInD::FillTree()
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(nullptr, &key))
        return -1;
    RegKey root(key, HKEY_CURRENT_USER);
    HTREEITEM rootItem = m_tree.InsertItem("Computer", TVI_ROOT, NODE_ROOT, m_rootImage);
    if (!rootItem)
        return -1;
    std::vector<NodeItem> interfaces = InsertNodeItems(rootItem, key, NODE_INTERFACE);
    for (const NodeItem& interfaceItem : interfaces) {
        HKEY interfaceKey = nullptr;
        if (RegOpenKeyA(key, interfaceItem.name.c_str(), &interfaceKey) != ERROR_SUCCESS)
            continue;
        RegKey node(interfaceKey, key);
        InsertNodeItems(interfaceItem.item, interfaceKey, NODE_DEVICE);
    }
    return static_cast<int>(interfaces.size());
}

std::vector<CPropPageInD::NodeItem> CPropPageInD::InsertNodeItems(HTREEITEM parent, HKEY parentKey, uint32_t kind)
{
    std::vector<std::string> names = ConfigNodeNames(parentKey);
    std::vector<std::string> labels;
    labels.reserve(names.size());
    for (const std::string& name : names)
        labels.push_back(StoredNodeLabel(parentKey, name));
    std::vector<NodeItem> items;
    for (size_t i : TreeInsertionOrder(labels)) {
        int image = kind == NODE_INTERFACE ? InterfaceImage(labels[i]) : m_deviceImage;
        DWORD data = kind | (ParseNodeIndex(names[i].c_str()) & NODE_NUMBER_MASK);
        if (HTREEITEM item = m_tree.InsertItem(labels[i], parent, data, image))
            items.push_back({item, names[i]});
    }
    return items;
}

HTREEITEM CPropPageInD::InsertDeviceItem(HTREEITEM interfaceItem, const std::string& label, unsigned number)
{
    return m_tree.InsertItem(label, interfaceItem, NODE_DEVICE | (number & NODE_NUMBER_MASK), m_deviceImage);
}

int CPropPageInD::InterfaceImage(const std::string& label) const
{
    switch (CheckDriverName(label.c_str())) {
    case DriverCheck::Accepted:
        return m_acceptedImage;
    case DriverCheck::Unrecognised:
        return m_unrecognisedImage;
    case DriverCheck::Failed:
        break;
    }
    return m_failedImage;
}

void CPropPageInD::UpdateInterfaceImage(HTREEITEM item)
{
    if (m_tree.GetItemData(item) & NODE_INTERFACE)
        m_tree.SetItemImage(item, InterfaceImage(m_tree.GetItemText(item)));
}

void CPropPageInD::UpdateAllInterfaceImages()
{
    HTREEITEM root = m_tree.GetRoot();
    for (HTREEITEM item = root ? m_tree.GetChild(root) : nullptr; item; item = m_tree.GetNextSibling(item))
        UpdateInterfaceImage(item);
}

std::string CPropPageInD::NodeKeyPath(HTREEITEM item) const
{
    HTREEITEM parent = m_tree.GetParentItem(item);
    return NodeKeyPathFor(m_tree.GetItemData(item), parent ? m_tree.GetItemData(parent) : 0);
}

bool CPropPageInD::NameExists(HTREEITEM item, const std::string& name) const
{
    for (; item; item = m_tree.GetNextSibling(item)) {
        if (EqualNoCase(m_tree.GetItemText(item), name))
            return true;
        if (NameExists(m_tree.GetChild(item), name))
            return true;
    }
    return false;
}

HTREEITEM CPropPageInD::FirstSibling(HTREEITEM item) const
{
    HTREEITEM parent = m_tree.GetParentItem(item);
    return parent ? m_tree.GetChild(parent) : m_tree.GetRoot();
}

void CPropPageInD::CollectPending(HTREEITEM item, std::vector<PendingItem>& pending,
                                  std::vector<HTREEITEM>& handles) const
{
    for (; item; item = m_tree.GetNextSibling(item)) {
        DWORD data = m_tree.GetItemData(item);
        if (data & (NODE_NAME_CHANGED | NODE_ADDED)) {
            pending.push_back({NodeKeyPath(item), m_tree.GetItemText(item), data});
            handles.push_back(item);
        }
        CollectPending(m_tree.GetChild(item), pending, handles);
    }
}

void CPropPageInD::CommitChanges()
{
    PendingChanges changes;
    std::vector<HTREEITEM> handles;
    CollectPending(m_tree.GetRoot(), changes.items, handles);
    changes.removedKeys = m_removedKeys;
    changes.addedKeys = m_addedKeys;
    std::vector<UnsavedNode> unsaved = CommitPendingChanges(changes);
    for (size_t i = 0; i < handles.size(); ++i)
        m_tree.SetItemData(handles[i], changes.items[i].data);
    m_removedKeys = changes.removedKeys;
    m_addedKeys = changes.addedKeys;
    m_commitFailed = !unsaved.empty();
    if (m_commitFailed)
        MessageBoxA(m_hWnd, NotSavedText(LoadModuleString(IDS_NOT_SAVED), unsaved).c_str(), GetText().c_str(),
                    MB_OK | MB_ICONSTOP);
}

void CPropPageInD::RollbackChanges()
{
    for (const std::string& path : m_addedKeys)
        ConfigDeleteNode(path.c_str());
    m_addedKeys.clear();
}

LRESULT CPropPageInD::OnSelchangedTree(const NMHDR*)
{
    HTREEITEM item = m_tree.GetSelection();
    if (!item)
        return 0;
    ButtonStates states = ButtonStatesFor(m_tree.GetItemData(item), IsPnpOs() != 0);
    EnableItem(IDC_PROPERTIES, states.properties);
    EnableItem(IDC_ADD_DEVICE, states.addDevice);
    EnableItem(IDC_REMOVE, states.remove);
    EnableItem(IDC_RENAME, states.rename);
    return 0;
}

LRESULT CPropPageInD::OnDblclkTree(const NMHDR*)
{
    HTREEITEM item = m_tree.GetSelection();
    if (item && (m_tree.GetItemData(item) & (NODE_DEVICE | NODE_INTERFACE)))
        OnProperties();
    // The tree neither expands nor collapses on a double-click.
    return 1;
}

void CPropPageInD::OnProperties()
{
    HTREEITEM item = m_tree.GetSelection();
    if (!item)
        return;
    bool isInterface = (m_tree.GetItemData(item) & NODE_INTERFACE) != 0;
    CPropertiesDialog dialog(m_hWnd);
    dialog.m_kind = isInterface ? NodeKind::Interface : NodeKind::Device;
    dialog.m_nodePath = NodeKeyPath(item);
    dialog.m_itemName = m_tree.GetItemText(item);
    dialog.DoModal();
    if (isInterface)
        UpdateAllInterfaceImages();
}

unsigned CPropPageInD::NewDeviceNumber(HTREEITEM interfaceItem) const
{
    std::set<unsigned> used;
    for (HTREEITEM child = m_tree.GetChild(interfaceItem); child; child = m_tree.GetNextSibling(child))
        used.insert(m_tree.GetItemData(child) & NODE_NUMBER_MASK);
    // Keys the tree does not show count too: pending removals and any other.
    HKEY key = nullptr;
    if (ConfigOpenNode(NodeKeyPath(interfaceItem).c_str(), &key)) {
        RegKey node(key, HKEY_CURRENT_USER);
        AddSubkeyNumbers(key, used);
    }
    return NextDeviceNumber(used);
}

HTREEITEM CPropPageInD::AddNewDevice(HTREEITEM interfaceItem)
{
    std::string name = UnclaimedName(
        LoadModuleString(IDS_NEW_DEVICE), [this](const std::string& text) { return NameExists(m_tree.GetRoot(), text); },
        kMaxNodeNameChars);
    HTREEITEM item = InsertDeviceItem(interfaceItem, name, NewDeviceNumber(interfaceItem));
    if (!item)
        return nullptr;
    m_tree.SetItemData(item, m_tree.GetItemData(item) | NODE_ADDED);
    std::string path = NodeKeyPath(item);
    ConfigCreateNode(path.c_str(), 0, nullptr);
    m_addedKeys.push_back(path);
    return item;
}

void CPropPageInD::OnAddDevice()
{
    HTREEITEM item = m_tree.GetSelection();
    if (!item)
        return;
    if (m_tree.GetItemData(item) & NODE_DEVICE)
        item = m_tree.GetParentItem(item);
    if (!item || !(m_tree.GetItemData(item) & NODE_INTERFACE))
        return;
    HTREEITEM added = AddNewDevice(item);
    if (added) {
        m_tree.Expand(item);
        m_tree.EnsureVisible(added);
        m_tree.Select(added);
        SetModified(true);
    }
    OnRename();
    OnProperties();
}

void CPropPageInD::OnRemove()
{
    HTREEITEM item = m_tree.GetSelection();
    if (!item || !(m_tree.GetItemData(item) & NODE_DEVICE))
        return;
    std::string text = m_tree.GetItemText(item) + "\n\n\n" + LoadModuleString(IDS_REMOVE_WARNING);
    std::string caption = LoadModuleString(IDS_REMOVE_CAPTION);
    if (MessageBoxA(m_hWnd, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    m_removedKeys.push_back(NodeKeyPath(item));
    m_tree.DeleteItem(item);
    SetModified(true);
}

void CPropPageInD::OnRename()
{
    HTREEITEM item = m_tree.GetSelection();
    // The root has no node to take a name.
    if (!item || (m_tree.GetItemData(item) & NODE_ROOT))
        return;
    CRenameDialog dialog(m_hWnd);
    dialog.m_strKind = "Interface";
    dialog.m_strFrom = m_tree.GetItemText(item);
    dialog.m_strTo = dialog.m_strFrom;
    if (dialog.DoModal() != IDOK)
        return;
    for (;;) {
        std::string name = TrimBlanks(dialog.m_strTo);
        if (EqualNoCase(name, dialog.m_strFrom))
            return;
        UINT error = 0;
        if (name.empty())
            error = IDS_NAME_EMPTY;
        else if (NameExists(FirstSibling(item), name))
            error = IDS_NAME_EXISTS;
        if (!error) {
            m_tree.SetItemText(item, name);
            SetModified(true);
            m_tree.SetItemData(item, m_tree.GetItemData(item) | NODE_NAME_CHANGED);
            return;
        }
        MessageBoxA(m_hWnd, LoadModuleString(error).c_str(), GetText().c_str(), MB_OK | MB_ICONSTOP);
        if (dialog.DoModal() != IDOK)
            return;
    }
}
