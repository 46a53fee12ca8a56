#include "trace/process_identity.h"

#include <windows.h>

const std::string& ProcessName()
{
    static const std::string name = [] {
        char path[MAX_PATH] = "";
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string found(path, length < sizeof path ? length : 0);
        size_t slash = found.find_last_of("\\/");
        found = slash == std::string::npos ? found : found.substr(slash + 1);
        return found.empty() ? std::string("?") : found;
    }();
    return name;
}

long long ProcessId()
{
    return static_cast<long long>(GetCurrentProcessId());
}
