#include "trace/process_identity.h"

#include <fstream>

#include <unistd.h>

const std::string& ProcessName()
{
    static const std::string name = [] {
        std::string found;
        std::ifstream comm("/proc/self/comm");
        std::getline(comm, found);
        return found.empty() ? std::string("?") : found;
    }();
    return name;
}

long long ProcessId()
{
    return static_cast<long long>(getpid());
}
