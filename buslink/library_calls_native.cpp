#include "buslink/library_calls.h"

#include <dlfcn.h>

void* FindLibraryCall(CallLibrary library, const char* name)
{
    // A program that takes the library in exports its calls; a MEX file
    // that loads it keeps it out of the global scope, so it is asked for
    // by name, loaded already.
    if (void* call = dlsym(RTLD_DEFAULT, name))
        return call;
    void* loaded = dlopen(library == CallLibrary::Driver ? "libdrovane.so" : "libsicl32.so", RTLD_LAZY | RTLD_NOLOAD);
    if (!loaded)
        return nullptr;
    void* call = dlsym(loaded, name);
    dlclose(loaded);
    return call;
}
