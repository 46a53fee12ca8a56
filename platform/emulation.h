// Controls of the emulated Win32 subset (non-Windows builds only).
#pragma once

#include "platform/win32.h"

#ifndef _WIN32
// The environment variable that names a REGEDIT4 file holding the registry;
// without it the registry lives in memory only.
const char kPlatformRegistryFileVariable[] = "QUENBUS_REGISTRY_FILE";

// What GetVersionExA reports from now on.
void PlatformSetVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion);
// Makes GetVersionExA fail (true) or answer again (false).
void PlatformSetVersionFails(bool fails);
// Empties the registry and closes every open key handle. A registry file is
// read again before the next call.
void PlatformResetRegistry();
// Number of key handles currently open (predefined roots excluded).
size_t PlatformOpenKeyCount();
// Makes the existing key root\path refuse (true) or accept again (false)
// writes of its values with ERROR_ACCESS_DENIED, as a key whose permissions
// deny KEY_SET_VALUE does. False when there is no such key.
bool PlatformSetKeyReadOnly(HKEY root, const char* path, bool readOnly);
// Makes GetProcAddress fail with ERROR_PROC_NOT_FOUND (true) or answer again (false).
void PlatformSetProcLookupFails(bool fails);
// Services started from now on stay SERVICE_START_PENDING (true) or run at once (false).
void PlatformSetStartPending(bool pending);
// Removes every service, closes every service and manager handle and lets
// started services run at once again. Registry keys stay: PlatformResetRegistry
// empties the registry.
void PlatformResetServices();
// Number of service and manager handles currently open.
size_t PlatformOpenServiceHandleCount();
#endif
