// The module's application object and its one Control Panel applet.
#pragma once

#include "framework/app.h"

#include <windows.h>

class CCplApplet {
public:
    // Registers the new object as the current applet.
    CCplApplet();
    virtual ~CCplApplet() = default;
    // CPL_DBLCLK: runs the applet's property sheet.
    virtual LONG OnDoubleClick(HWND controlPanel, LPARAM lParam1, LPARAM lParam2);

    static CCplApplet* Current();
};

class CCplApp : public CApp {
public:
    const RuntimeClass& GetRuntimeClass() const override;

private:
    CCplApplet m_applet;
};
