// CPropPageInD: the "Bus Configuration" page with the tree of interfaces
// and devices, its commands and its pending changes.
#pragma once

#include "applet/pending_changes.h"
#include "applet/tree_items.h"
#include "framework/controls.h"
#include "framework/mapped_window.h"
#include "framework/property_sheet.h"

#include <string>
#include <vector>

class CPropPageInD : public CMapped<CPropPageInD, CPropertyPage> {
public:
    CPropPageInD();
    const RuntimeClass& GetRuntimeClass() const override;

    // The interfaces and their devices from the configuration; returns the
    // number of interfaces shown.
    int FillTree();
    HTREEITEM InsertDeviceItem(HTREEITEM interfaceItem, const std::string& label, unsigned number);
    // The image of an interface with that name, from its driver's answer.
    int InterfaceImage(const std::string& label) const;
    void UpdateInterfaceImage(HTREEITEM item);
    void UpdateAllInterfaceImages();
    std::string NodeKeyPath(HTREEITEM item) const;
    bool NameExists(HTREEITEM item, const std::string& name) const;
    HTREEITEM FirstSibling(HTREEITEM item) const;
    void CommitChanges();
    void RollbackChanges();
    // Refused while the last commit left changes unsaved: the sheet stays open.
    bool ApplyAccepted() const override { return !m_commitFailed; }

    // Message map handlers.
    void OnProperties();
    void OnAddDevice();
    void OnRemove();
    void OnRename();
    LRESULT OnDblclkTree(const NMHDR* header);
    LRESULT OnSelchangedTree(const NMHDR* header);

    static const MessageMap<CPropPageInD> kMessageMap;

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;

private:
    struct NodeItem {
        HTREEITEM item;
        std::string name;
    };
    // Items for the nodes under `parentKey`, of that kind (NODE_INTERFACE or
    // NODE_DEVICE), in sorted order; returns them with their key names.
    std::vector<NodeItem> InsertNodeItems(HTREEITEM parent, HKEY parentKey, uint32_t kind);
    // The items from `item` on (its subtree and following siblings) with a
    // change pending, in pre-order.
    void CollectPending(HTREEITEM item, std::vector<PendingItem>& pending, std::vector<HTREEITEM>& handles) const;
    HTREEITEM AddNewDevice(HTREEITEM interfaceItem);
    // A device number no key of the interface uses, shown in the tree or not.
    unsigned NewDeviceNumber(HTREEITEM interfaceItem) const;

    CImageList m_imageList;
    int m_rootImage = -1;
    int m_deviceImage = -1;
    int m_acceptedImage = -1;
    int m_failedImage = -1;
    int m_unrecognisedImage = -1;
    std::vector<std::string> m_removedKeys;
    std::vector<std::string> m_addedKeys;
    bool m_commitFailed = false;
    CTreeCtrl m_tree;
};
