// The Control Panel's entry into the module.
#include "applet/cpl_applet.h"
#include "framework/module.h"
#include "resources/resource.h"

#include <cpl.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" LONG APIENTRY CPlApplet(HWND controlPanel, UINT message, LPARAM lParam1, LPARAM lParam2)
{
    switch (message) {
    case CPL_INIT:
        return 1;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        auto* info = reinterpret_cast<CPLINFO*>(lParam2);
        // No record to fill: refused.
        if (!info)
            return 1;
        info->idIcon = IDI_PLUG;
        info->idName = IDS_APPLET_NAME;
        info->idInfo = IDS_APPLET_INFO;
        info->lData = 0;
        return 0;
    }
    case CPL_DBLCLK:
        if (CCplApplet* applet = CCplApplet::Current())
            applet->OnDoubleClick(controlPanel, lParam1, lParam2);
        return 0;
    default:
        return 0;
    }
}
