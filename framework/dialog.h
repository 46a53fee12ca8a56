// CDialog: a modal dialog from a resource template. One static dialog
// procedure finds the object in DWLP_USER and forwards to its virtuals.
#pragma once

#include "framework/data_exchange.h"
#include "framework/runtime_class.h"
#include "framework/window.h"

class CDialog : public CWnd, public CObject {
public:
    CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until EndDialog; returns its result (IDOK, IDCANCEL, ...).
    INT_PTR DoModal();
    void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }
    // Exchanges every member with its control; saving validates. False when a
    // value was refused.
    bool UpdateData(bool saveAndValidate);

    UINT TemplateId() const { return templateId_; }

protected:
    virtual void DoDataExchange(DataExchange& dx);
    // Returns TRUE to let the platform set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    HWND Parent() const { return parent_; }

    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Handles one message of an attached dialog; false leaves it to the platform.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    void Attach(HWND hwnd);
    void Detach();

private:
    UINT templateId_;
    HWND parent_;
};
