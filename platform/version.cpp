// GetVersionExA answering from a record that tests set.
#include "platform/emulation.h"

#include <cstring>

namespace {

OSVERSIONINFOA g_version = {sizeof(OSVERSIONINFOA), 5, 1, 2600, VER_PLATFORM_WIN32_NT, ""};
bool g_fails = false;

} // namespace

void PlatformSetVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion)
{
    g_version.dwPlatformId = platformId;
    g_version.dwMajorVersion = majorVersion;
    g_version.dwMinorVersion = minorVersion;
}

void PlatformSetVersionFails(bool fails)
{
    g_fails = fails;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA) || g_fails)
        return FALSE;
    DWORD size = info->dwOSVersionInfoSize;
    std::memcpy(info, &g_version, sizeof(OSVERSIONINFOA));
    info->dwOSVersionInfoSize = size;
    return TRUE;
}
