// Exports that install, start, stop, query and remove the bus driver as a
// kernel service. Each returns 1 for success (or yes) and 0 otherwise.
#pragma once

#include "platform/win32.h"

extern "C" {
int WINAPI InstallDriverNT(const char* serviceName, const char* displayName, const char* driverPath);
int WINAPI UninstallDriverNT(const char* serviceName);
int WINAPI StartDriverNT(const char* serviceName);
int WINAPI StopDriverNT(const char* serviceName);
int WINAPI IsStartedDriverNT(const char* serviceName);
int WINAPI IsInstalledDriverNT(const char* serviceName);
}
