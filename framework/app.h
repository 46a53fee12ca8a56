// CApp: the module's application object.
#pragma once

#include "framework/runtime_class.h"

#include <windows.h>

#include <string>

class CApp : public CObject {
public:
    explicit CApp(const char* name) : name_(name ? name : "") {}
    // Instance initialisation; FALSE stops the module.
    virtual BOOL InitInstance() { return TRUE; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};
