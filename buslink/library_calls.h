// The calls that programs find by name at run time in the bus driver library
// or the SICL library they have loaded, so that they still run where the
// library lacks them: a program imports only the calls every copy has.
#pragma once

enum class CallLibrary { Driver, Sicl };

// The call `name` of the library, or null when it has none of that name.
void* FindLibraryCall(CallLibrary library, const char* name);

template <typename Function> Function FindCall(CallLibrary library, const char* name)
{
    return reinterpret_cast<Function>(FindLibraryCall(library, name));
}
