// The operating-system families that decide the configuration scheme.
#include "config/os_family.h"

#include "platform/win32.h"
#ifndef _WIN32
#include "platform/emulation.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Family()
{
    if (IsWin9x())
        return "win9x";
    return IsPnpOs() ? "nt5" : "legacy-nt";
}

} // namespace

#ifndef _WIN32

TEST(OsFamily, VersionRecordDecidesTheScheme)
{
    struct Case {
        DWORD platform, major;
        int win9x, nt, nt5, pnp;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 1, 0, 0, 1},
        {VER_PLATFORM_WIN32_NT, 4, 0, 1, 0, 0},
        {VER_PLATFORM_WIN32_NT, 5, 0, 1, 1, 1},
        {VER_PLATFORM_WIN32_NT, 10, 0, 1, 1, 1},
        {VER_PLATFORM_WIN32s, 3, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        PlatformSetVersion(c.platform, c.major, 0);
        LoadOsVersion();
        EXPECT_EQ(IsWin9x(), c.win9x) << c.platform << "." << c.major;
        EXPECT_EQ(IsWinNT(), c.nt) << c.platform << "." << c.major;
        EXPECT_EQ(IsWinNT5OrLater(), c.nt5) << c.platform << "." << c.major;
        EXPECT_EQ(IsPnpOs(), c.pnp) << c.platform << "." << c.major;
    }
    PlatformSetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    LoadOsVersion();
}

TEST(OsFamily, FailedVersionQueryMeansLegacyNt)
{
    PlatformSetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    PlatformSetVersionFails(true);
    LoadOsVersion();
    EXPECT_EQ(Family(), "legacy-nt");
    EXPECT_EQ(IsWinNT(), 0);
    PlatformSetVersionFails(false);
    LoadOsVersion();
    EXPECT_EQ(Family(), "nt5");
}

#endif

// Under Wine the version comes from the prefix (or from the program's own
// AppDefaults); QUENBUS_EXPECT_FAMILY names the family the run was set up for.
TEST(OsFamily, LoadedRecordMatchesTheSystem)
{
    LoadOsVersion();
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(IsWinNT(), info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0);
    EXPECT_EQ(IsWin9x(), info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0);
    if (const char* expected = std::getenv("QUENBUS_EXPECT_FAMILY")) {
        EXPECT_EQ(Family(), expected) << "platform " << info.dwPlatformId << " major " << info.dwMajorVersion;
    }
}
