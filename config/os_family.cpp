#include "config/os_family.h"

#include "platform/win32.h"

#include <cstring>

namespace {

OSVERSIONINFOA g_osVersion;

} // namespace

void LoadOsVersion()
{
    std::memset(&g_osVersion, 0, sizeof g_osVersion);
    g_osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(&g_osVersion)) {
        // The record stays zero: no family matches, the legacy NT scheme applies.
        std::memset(&g_osVersion, 0, sizeof g_osVersion);
    }
}

int IsWin9x()
{
    return g_osVersion.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

int IsWinNT()
{
    return g_osVersion.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int IsWinNT5OrLater()
{
    return IsWinNT() && g_osVersion.dwMajorVersion >= 5;
}

int IsPnpOs()
{
    return IsWin9x() || IsWinNT5OrLater();
}
