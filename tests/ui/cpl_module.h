// quenbus.cpl loaded as the Control Panel loads it.
#pragma once

#include <windows.h>
#include <cpl.h>

class CplModule {
public:
    CplModule();
    ~CplModule();
    CplModule(const CplModule&) = delete;
    CplModule& operator=(const CplModule&) = delete;

    bool Loaded() const { return entry_ != nullptr; }
    LONG Send(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const;
    // CPL_DBLCLK: returns when the sheet has closed.
    void Open() const { Send(CPL_DBLCLK, 0, 0); }
    // An export of the module, or null.
    FARPROC Export(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

private:
    typedef LONG(APIENTRY* Entry)(HWND, UINT, LPARAM, LPARAM);
    HMODULE module_;
    Entry entry_ = nullptr;
};

const char kSheetCaption[] = "IEEE 488 Properties";
