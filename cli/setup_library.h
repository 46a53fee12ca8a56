// The setup and driver service exports that `quenbus setup` calls, taken
// from quenbus.cpl as any setup program takes them; the native build holds
// them itself.
#pragma once

#include "platform/win32.h"

#include <string>

struct SetupExports {
    int(WINAPI* describeModel)(const char* model, const char* description, const char* driver);
    void(WINAPI* initConfiguration)();
    int(WINAPI* handOver)();
    int(WINAPI* install)(const char* service, const char* display, const char* driver);
    int(WINAPI* uninstall)(const char* service);
    int(WINAPI* start)(const char* service);
    int(WINAPI* stop)(const char* service);
    int(WINAPI* isStarted)(const char* service);
    int(WINAPI* isInstalled)(const char* service);
};

class SetupLibrary {
public:
    SetupLibrary() = default;
    ~SetupLibrary();
    SetupLibrary(const SetupLibrary&) = delete;
    SetupLibrary& operator=(const SetupLibrary&) = delete;

    // Loads `path` (empty: quenbus.cpl beside this program, else wherever the
    // system finds it) and takes every export; false with the reason when the
    // library or an export is missing.
    bool Load(const std::string& path, std::string& error);
    const SetupExports& Exports() const { return exports_; }

private:
    HMODULE module_ = nullptr;
    SetupExports exports_ = {};
};
