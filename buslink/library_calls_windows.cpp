#include "buslink/library_calls.h"

#include <windows.h>

void* FindLibraryCall(CallLibrary library, const char* name)
{
    // Loaded already: the program imports its other calls.
    HMODULE module = GetModuleHandleA(library == CallLibrary::Driver ? "drovane.dll" : "sicl32.dll");
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}
