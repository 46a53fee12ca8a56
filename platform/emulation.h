// Controls of the emulated Win32 subset (non-Windows builds only).
#pragma once

#include "platform/win32.h"

#ifndef _WIN32
// What GetVersionExA reports from now on.
void PlatformSetVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion);
// Makes GetVersionExA fail (true) or answer again (false).
void PlatformSetVersionFails(bool fails);
// Empties the registry and closes every open key handle.
void PlatformResetRegistry();
// Number of key handles currently open (predefined roots excluded).
size_t PlatformOpenKeyCount();
#endif
