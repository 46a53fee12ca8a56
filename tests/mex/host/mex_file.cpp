#include "mex_file.h"

#include <cstdlib>
#include <map>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifdef _WIN32

MexFile::MexFile(const std::string& path)
    : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
{
    if (!module_) {
        error_ = "cannot load " + path + ", error " + std::to_string(GetLastError());
        return;
    }
    FARPROC proc = GetProcAddress(static_cast<HMODULE>(module_), "mexFunction");
    entry_ = reinterpret_cast<MexEntry>(reinterpret_cast<void*>(proc));
    if (!entry_)
        error_ = path + " has no mexFunction";
}

MexFile::~MexFile()
{
    if (module_)
        FreeLibrary(static_cast<HMODULE>(module_));
}

#else

MexFile::MexFile(const std::string& path) : module_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
{
    if (!module_) {
        error_ = dlerror();
        return;
    }
    entry_ = reinterpret_cast<MexEntry>(dlsym(module_, "mexFunction"));
    if (!entry_)
        error_ = path + " has no mexFunction";
}

MexFile::~MexFile()
{
    if (module_)
        dlclose(module_);
}

#endif

const MexFile& LoadedCommand(const std::string& command)
{
    static std::map<std::string, std::unique_ptr<MexFile>> loaded;
    std::unique_ptr<MexFile>& file = loaded[command];
    if (!file) {
        const char* directory = std::getenv("QUENBUS_MEX_DIR");
#ifdef _WIN32
        const char* separator = "\\";
#else
        const char* separator = "/";
#endif
        file.reset(new MexFile(std::string(directory ? directory : ".") + separator + command + QUENBUS_MEX_SUFFIX));
    }
    return *file;
}
