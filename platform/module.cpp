// Run-time lookup of the functions the system does not link for us: one
// module, ADVAPI32, whose exports are the emulated service functions.
#include "platform/emulation.h"
#include "text/text_compare.h"

#include <cstring>

namespace {

struct Export {
    const char* name;
    FARPROC proc;
};

template <typename Function>
FARPROC AsProc(Function* function)
{
    return reinterpret_cast<FARPROC>(function);
}

const Export kAdvapi32Exports[] = {
    {"CloseServiceHandle", AsProc(&CloseServiceHandle)},
    {"ControlService", AsProc(&ControlService)},
    {"CreateServiceA", AsProc(&CreateServiceA)},
    {"DeleteService", AsProc(&DeleteService)},
    {"EnumServicesStatusExA", AsProc(&EnumServicesStatusExA)},
    {"OpenSCManagerA", AsProc(&OpenSCManagerA)},
    {"OpenServiceA", AsProc(&OpenServiceA)},
    {"QueryServiceStatus", AsProc(&QueryServiceStatus)},
    {"StartServiceA", AsProc(&StartServiceA)},
};

// Its address is the module handle.
char g_advapi32;
bool g_lookupFails = false;

HMODULE Advapi32()
{
    return reinterpret_cast<HMODULE>(&g_advapi32);
}

// "advapi32" or "advapi32.dll" in any case.
bool IsAdvapi32(const char* fileName)
{
    return EqualNoCase(fileName, "advapi32") || EqualNoCase(fileName, "advapi32.dll");
}

} // namespace

void PlatformSetProcLookupFails(bool fails)
{
    g_lookupFails = fails;
}

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !IsAdvapi32(fileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return Advapi32();
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (module && module != Advapi32()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // A null module is the program itself, which exports nothing.
    if (module && procName && !g_lookupFails) {
        for (const Export& entry : kAdvapi32Exports) {
            if (std::strcmp(entry.name, procName) == 0)
                return entry.proc;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    if (module != Advapi32()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
