#include "cli/setup_library.h"

#ifdef _WIN32
#include <fstream>
#else
#include "service/driver_service.h"
#include "setup/setup_exports.h"
#endif

namespace {

#ifdef _WIN32
const char kLibraryName[] = "quenbus.cpl";

std::string DefaultLibrary()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return kLibraryName;
    std::string beside(path, length);
    beside = beside.substr(0, beside.find_last_of("\\/") + 1) + kLibraryName;
    return std::ifstream(beside).good() ? beside : kLibraryName;
}

template <typename Function> void Take(HMODULE module, const char* name, Function& function, std::string& missing)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function && missing.empty())
        missing = name;
}
#endif

} // namespace

SetupLibrary::~SetupLibrary()
{
#ifdef _WIN32
    if (module_)
        FreeLibrary(module_);
#endif
}

#ifdef _WIN32
bool SetupLibrary::Load(const std::string& path, std::string& error)
{
    std::string library = path.empty() ? DefaultLibrary() : path;
    module_ = LoadLibraryA(library.c_str());
    if (!module_) {
        error = "cannot load " + library + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::string missing;
    SetupExports& e = exports_;
    Take(module_, "RegInitHdwrConfigNT", e.describeModel, missing);
    Take(module_, "RegInitUserConfig", e.initConfiguration, missing);
    Take(module_, "RegInitDrvrConfigNT", e.handOver, missing);
    Take(module_, "InstallDriverNT", e.install, missing);
    Take(module_, "UninstallDriverNT", e.uninstall, missing);
    Take(module_, "StartDriverNT", e.start, missing);
    Take(module_, "StopDriverNT", e.stop, missing);
    Take(module_, "IsStartedDriverNT", e.isStarted, missing);
    Take(module_, "IsInstalledDriverNT", e.isInstalled, missing);
    if (!missing.empty())
        error = library + " has no export " + missing;
    return missing.empty();
}
#else
bool SetupLibrary::Load(const std::string& path, std::string& error)
{
    if (!path.empty()) {
        error = "cannot load " + path + ": this build holds the setup exports itself (--dll is for Windows)";
        return false;
    }
    exports_ = SetupExports{RegInitHdwrConfigNT, RegInitUserConfig, RegInitDrvrConfigNT,
                            InstallDriverNT,     UninstallDriverNT, StartDriverNT,
                            StopDriverNT,        IsStartedDriverNT, IsInstalledDriverNT};
    return true;
}
#endif
