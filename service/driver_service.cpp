#include "service/driver_service.h"

#include "config/service_handle.h"

namespace {

enum class Control { Start, Stop, Delete };

DWORD AccessFor(Control control)
{
    switch (control) {
    case Control::Start:
        return SERVICE_START;
    case Control::Stop:
        return SERVICE_STOP;
    case Control::Delete:
        return STANDARD_RIGHTS_REQUIRED;
    }
    return 0;
}

BOOL Perform(SC_HANDLE service, Control control)
{
    switch (control) {
    case Control::Start:
        return StartServiceA(service, 0, nullptr);
    case Control::Stop: {
        SERVICE_STATUS status;
        return ControlService(service, SERVICE_CONTROL_STOP, &status);
    }
    case Control::Delete:
        return DeleteService(service);
    }
    return FALSE;
}

// Returns the Win32 error of the control step, 0 for success.
DWORD ControlDriver(const char* serviceName, Control control)
{
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return GetLastError();
    ServiceHandle service(OpenServiceA(manager.Get(), serviceName, AccessFor(control)));
    if (!service)
        return GetLastError();
    if (Perform(service.Get(), control))
        return 0;
    // Read the error before the handles close.
    return GetLastError();
}

// Opens the service for status queries; empty when either open fails.
ServiceHandle OpenForQuery(const char* serviceName, ServiceHandle& manager)
{
    manager = ServiceHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return ServiceHandle();
    return ServiceHandle(OpenServiceA(manager.Get(), serviceName, SERVICE_QUERY_STATUS));
}

} // namespace

int WINAPI InstallDriverNT(const char* serviceName, const char* displayName, const char* driverPath)
{
    if (!displayName)
        displayName = serviceName;
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager)
        return 0;
    ServiceHandle service(CreateServiceA(manager.Get(), serviceName, displayName, STANDARD_RIGHTS_REQUIRED,
                                         SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                         driverPath, nullptr, nullptr, nullptr, nullptr, nullptr));
    return service ? 1 : 0;
}

int WINAPI StartDriverNT(const char* serviceName)
{
    return ControlDriver(serviceName, Control::Start) == 0;
}

int WINAPI StopDriverNT(const char* serviceName)
{
    return ControlDriver(serviceName, Control::Stop) == 0;
}

int WINAPI UninstallDriverNT(const char* serviceName)
{
    return ControlDriver(serviceName, Control::Delete) == 0;
}

int WINAPI IsStartedDriverNT(const char* serviceName)
{
    ServiceHandle manager;
    ServiceHandle service = OpenForQuery(serviceName, manager);
    SERVICE_STATUS status;
    return service && QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

int WINAPI IsInstalledDriverNT(const char* serviceName)
{
    ServiceHandle manager;
    ServiceHandle service = OpenForQuery(serviceName, manager);
    return service ? 1 : 0;
}
