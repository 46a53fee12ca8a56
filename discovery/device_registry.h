// Reading what Windows records about enumerated devices: device keys under
// the enumeration root and, on Windows 9x, the configuration manager's
// dynamic data with each devnode's allocated resources.
#pragma once

#include "platform/win32.h"

// "Enum" on Windows 9x, "System\CurrentControlSet\Enum" on NT 5 and later,
// null on legacy NT.
const char* EnumRootPath();
// HKEY_LOCAL_MACHINE\enumeration root\hardware key, opened without create.
int OpenDeviceKey(const char* hardwareKey, HKEY* key);
int ReadDeviceString(const char* hardwareKey, const char* name, char* buffer, unsigned capacity);
int ReadDeviceDword(const char* hardwareKey, const char* name, DWORD* number);

// The text after the key's second backslash; 0 when missing or too long.
int CopyInstancePart(const char* hardwareKey, char* buffer, unsigned capacity);

// The name of the first subkey of root\path whose REG_SZ value `valueName`
// equals `wanted` (no regard to case); 0 when none matches or the name does
// not fit `capacity`.
int FindSubkeyByValue(HKEY root, const char* path, const char* valueName, const char* wanted, char* name,
                      unsigned capacity);

// The "Allocation" record of the board's devnode and the number of bytes read.
int ReadAllocation(const char* hardwareKey, BYTE* buffer, unsigned capacity, DWORD* size);
// Copies `width` bytes at `offset` into the data of the first allocation
// entry of `type`.
int FindAllocatedResource(const char* hardwareKey, DWORD type, unsigned offset, void* out, unsigned width);
int AllocatedIoPort(const char* hardwareKey, WORD* port);
int AllocatedSlot(const char* hardwareKey, WORD* slot);
