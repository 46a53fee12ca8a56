#include "cpl_module.h"

CplModule::CplModule() : module_(LoadLibraryA(QUENBUS_CPL_PATH))
{
    if (module_)
        entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, "CPlApplet")));
}

CplModule::~CplModule()
{
    if (module_)
        FreeLibrary(module_);
}

LONG CplModule::Send(UINT message, LPARAM lParam1, LPARAM lParam2) const
{
    return entry_(nullptr, message, lParam1, lParam2);
}
