#include "applet/cpl_applet.h"

#include "applet/cpl_sheet.h"
#include "framework/module.h"
#include "resources/resource.h"

namespace {

CCplApplet* g_currentApplet = nullptr;

const RuntimeClass g_cplAppClass("CCplApp", nullptr);

} // namespace

const RuntimeClass& CCplApp::GetRuntimeClass() const
{
    return g_cplAppClass;
}

CCplApplet::CCplApplet()
{
    g_currentApplet = this;
}

CCplApplet* CCplApplet::Current()
{
    return g_currentApplet;
}

LONG CCplApplet::OnDoubleClick(HWND, LPARAM, LPARAM)
{
    std::string caption = LoadModuleString(IDS_APPLET_NAME) + " Properties";
    CCplCtrlDialog sheet(caption, nullptr, 0);
    sheet.DoModal();
    return 0;
}
