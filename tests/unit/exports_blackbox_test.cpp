// The built quenbus.cpl loaded as a setup program loads it: by path, its
// exports found by name.
#ifdef _WIN32
#include "system_fixture.h"

#include <windows.h>

#include <string>

namespace {

class Library {
public:
    Library() : module_(LoadLibraryA(QUENBUS_CPL_PATH)) {}
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE Get() const { return module_; }

    template <typename Function> Function Export(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

typedef void(WINAPI* VoidFn)();
typedef int(WINAPI* ServiceFn)(const char*);
typedef int(WINAPI* InstallFn)(const char*, const char*, const char*);
typedef int(WINAPI* EnumFn)(int, char*, int);
typedef DWORD(WINAPI* ClassInstallFn)(UINT, void*, void*);

} // namespace

using SetupLibrary = Nt5System;

TEST_F(SetupLibrary, ExportsEveryEntryByNameAndWorksThroughThem)
{
    Library library;
    ASSERT_TRUE(library.Get()) << "cannot load " << QUENBUS_CPL_PATH << ", error " << GetLastError();
    for (const char* name : {"RegInitUserConfig", "RegInitHdwrConfigNT", "RegInitDrvrConfigNT", "EnumInterface",
                             "ClassInstall", "InstallDriverNT", "UninstallDriverNT", "StartDriverNT", "StopDriverNT",
                             "IsStartedDriverNT", "IsInstalledDriverNT"})
        EXPECT_NE(GetProcAddress(library.Get(), name), nullptr) << name;

    library.Export<VoidFn>("RegInitUserConfig")();
    auto enumInterface = library.Export<EnumFn>("EnumInterface");
    char name[16];
    ASSERT_EQ(enumInterface(3, name, sizeof name), 1);
    EXPECT_STREQ(name, "IEEE3");
    EXPECT_EQ(enumInterface(4, name, sizeof name), 0);
    EXPECT_EQ(library.Export<ClassInstallFn>("ClassInstall")(1, nullptr, nullptr), 0xE000020Eu);
    EXPECT_EQ(library.Export<InstallFn>("RegInitHdwrConfigNT")("Rumex", "Rumex board", "rumex"), 0)
        << "Plug and Play";

    ASSERT_EQ(library.Export<InstallFn>("InstallDriverNT")("QbStub", nullptr, kStubDriverPath), 1);
    EXPECT_EQ(library.Export<ServiceFn>("StartDriverNT")("QbStub"), 1);
    EXPECT_EQ(library.Export<ServiceFn>("IsStartedDriverNT")("QbStub"), 1);
    EXPECT_EQ(library.Export<ServiceFn>("StopDriverNT")("QbStub"), 1);
    EXPECT_EQ(library.Export<ServiceFn>("UninstallDriverNT")("QbStub"), 1);
    EXPECT_EQ(library.Export<ServiceFn>("IsInstalledDriverNT")("QbStub"), 0);
}
#endif
