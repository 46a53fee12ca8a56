// Exports for setup programs: initialise the configuration, describe board
// models (legacy NT), hand the interfaces to the driver (legacy NT).
#pragma once

#include "platform/win32.h"

extern "C" {
void WINAPI RegInitUserConfig();
int WINAPI RegInitHdwrConfigNT(const char* model, const char* description, const char* driver);
int WINAPI RegInitDrvrConfigNT();
int WINAPI EnumInterface(int index, char* buffer, int size);
DWORD WINAPI ClassInstall(UINT installFunction, void* deviceInfoSet, void* deviceInfoData);
}

// What ClassInstall answers to every request: let the system do the default.
const DWORD kDoDefaultAction = 0xE000020E;
