// CPropertySheet and CPropertyPage over the platform's property sheet. The
// sheet's own window is subclassed when its first page starts, so the
// sheet's OnCommand sees its buttons (OK, Cancel, Apply) before the standard
// handling, which follows whatever OnCommand returns.
#pragma once

#include "framework/dialog.h"

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId, nullptr) {}

    // Marks the page changed (enables the sheet's Apply) or unchanged.
    void SetModified(bool changed) const;
    // Whether the page takes the sheet's Apply or OK: false keeps the sheet
    // open with Apply enabled.
    virtual bool ApplyAccepted() const { return true; }

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    friend class CPropertySheet;
    PROPSHEETPAGEA Describe();
    static INT_PTR CALLBACK StaticPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    CPropertySheet* sheet_ = nullptr;
};

class CPropertySheet : public CWnd, public CObject {
public:
    CPropertySheet(const std::string& caption, HWND parent, UINT startPage)
        : caption_(caption), parent_(parent), startPage_(startPage)
    {
    }
    ~CPropertySheet() override;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    void AddPage(CPropertyPage* page);
    INT_PTR DoModal();

protected:
    // Runs when the sheet window exists; the standard initialisation does nothing more.
    virtual BOOL OnInitDialog();

private:
    friend class CPropertyPage;
    void AttachSheet(HWND hwnd);
    void DetachSheet();
    static LRESULT CALLBACK SheetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string caption_;
    HWND parent_;
    UINT startPage_;
    std::vector<CPropertyPage*> pages_;
    WNDPROC original_ = nullptr;
};

// The command id of a property sheet's Apply button.
const int kApplyButtonId = 0x3021;
