#include "system_fixture.h"

#include "config/os_family.h"
#include "config/service_handle.h"
#ifndef _WIN32
#include "platform/emulation.h"
#endif

#ifdef QUENBUS_STUB_DRIVER
const char kStubDriverPath[] = QUENBUS_STUB_DRIVER;
#else
const char kStubDriverPath[] = "C:\\windows\\system32\\drivers\\quenbus_stub.sys";
#endif

namespace {

const char* const kTestServices[] = {"QbVexA", "QbVexB", "QbOther", "QbStub", "Rumex", "Quoran", "Zyrtec"};

Family CurrentFamily()
{
    if (IsWin9x())
        return Family::Win9x;
    return IsPnpOs() ? Family::Nt5 : Family::LegacyNt;
}

} // namespace

void SystemTest::SetUp()
{
    RegistryTest::SetUp();
#ifndef _WIN32
    switch (family_) {
    case Family::Win9x:
        PlatformSetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
        break;
    case Family::LegacyNt:
        PlatformSetVersion(VER_PLATFORM_WIN32_NT, 4, 0);
        break;
    case Family::Nt5:
        PlatformSetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
        break;
    }
#endif
    LoadOsVersion();
    if (CurrentFamily() != family_)
        GTEST_SKIP() << "this program runs as another Windows family";
    for (const char* name : kTestServices)
        RemoveService(name);
}

void SystemTest::TearDown()
{
    for (const char* name : kTestServices)
        RemoveService(name);
    RegistryTest::TearDown();
#ifndef _WIN32
    PlatformSetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    LoadOsVersion();
#endif
}

void RemoveService(const char* name)
{
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return;
    ServiceHandle service(OpenServiceA(manager.Get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service)
        return;
    SERVICE_STATUS status;
    ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(service.Get());
}

ScopedService::ScopedService(const char* name, const char* group, const char* binaryPath) : name_(name)
{
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    ServiceHandle service(manager ? CreateServiceA(manager.Get(), name, name, SERVICE_ALL_ACCESS,
                                                   SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                   binaryPath, group, nullptr, nullptr, nullptr, nullptr)
                                  : nullptr);
    created_ = static_cast<bool>(service);
}

ScopedService::~ScopedService()
{
    RemoveService(name_.c_str());
}
