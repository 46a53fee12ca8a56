// In-memory Service Control Manager with the semantics Windows and Wine show:
// service names are case-insensitive and case-preserving; a service marked for
// deletion goes once it is stopped and its last handle is closed. Each service
// has its key under HKLM "System\CurrentControlSet\Services", written and
// removed through the registry calls. Services are listed in creation order,
// as Wine lists the services created while it runs.
#include "platform/emulation.h"
#include "text/text_compare.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const DWORD kNeverStarted = 1077;        // ERROR_SERVICE_NEVER_STARTED
const DWORD kInvalidAddress = 487;       // ERROR_INVALID_ADDRESS
const DWORD kServerUnavailable = 1722;   // RPC_S_SERVER_UNAVAILABLE
const DWORD kInteractiveProcess = 0x100; // SERVICE_INTERACTIVE_PROCESS
const size_t kMaxNameLength = 256;

struct Service {
    std::string name;
    bool hasDisplayName = false;
    std::string displayName;
    DWORD type = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string binaryPath;
    bool hasGroup = false;
    std::string group;
    std::string account;
    DWORD state = SERVICE_STOPPED;
    DWORD exitCode = kNeverStarted;
    bool markedForDelete = false;
};
using ServicePtr = std::shared_ptr<Service>;

struct Handle {
    DWORD access;
    ServicePtr service; // null for a manager handle
};

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

SC_HANDLE FailHandle(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

std::string KeyPath(const std::string& serviceName)
{
    return std::string(kServicesPath) + "\\" + serviceName;
}

// Writes values one after the other until one fails.
struct ValueWriter {
    HKEY key;
    LONG rc = ERROR_SUCCESS;

    void String(const char* name, const std::string& text)
    {
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1));
    }
    void Dword(const char* name, DWORD number)
    {
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
};

// The values Wine writes, in the sorted order its registry lists them.
LONG WriteServiceKey(const Service& service)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, KeyPath(service.name).c_str(), &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    ValueWriter writer{key};
    if (service.hasDisplayName)
        writer.String("DisplayName", service.displayName);
    writer.Dword("ErrorControl", service.errorControl);
    if (service.hasGroup)
        writer.String("Group", service.group);
    writer.String("ImagePath", service.binaryPath);
    writer.String("ObjectName", service.account);
    writer.Dword("PreshutdownTimeout", 180000);
    writer.Dword("Start", service.startType);
    writer.Dword("Type", service.type);
    RegCloseKey(key);
    return writer.rc;
}

void DeleteKeyTree(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> children;
    char child[MAX_PATH];
    for (DWORD index = 0; RegEnumKeyA(key, index, child, sizeof child) == ERROR_SUCCESS; ++index)
        children.push_back(child);
    RegCloseKey(key);
    for (const std::string& name : children)
        DeleteKeyTree(root, path + "\\" + name);
    RegDeleteKeyA(root, path.c_str());
}

bool ReadText(HKEY key, const char* name, std::string& text)
{
    char buffer[1024];
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size] = '\0';
    text = buffer;
    return true;
}

bool ReadNumber(HKEY key, const char* name, DWORD& number)
{
    DWORD size = sizeof number;
    DWORD type = 0;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof number;
}

// A service as the registry records it; null when the key holds no service.
ServicePtr ServiceFromKey(HKEY services, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(services, name, &key) != ERROR_SUCCESS)
        return nullptr;
    auto service = std::make_shared<Service>();
    service->name = name;
    bool isService = ReadNumber(key, "Type", service->type);
    ReadNumber(key, "Start", service->startType);
    ReadNumber(key, "ErrorControl", service->errorControl);
    ReadText(key, "ImagePath", service->binaryPath);
    ReadText(key, "ObjectName", service->account);
    service->hasDisplayName = ReadText(key, "DisplayName", service->displayName);
    service->hasGroup = ReadText(key, "Group", service->group);
    RegCloseKey(key);
    return isService ? service : nullptr;
}

struct Manager {
    std::vector<ServicePtr> services;
    std::map<uintptr_t, Handle> handles;
    uintptr_t nextHandle = 0x5000;
    bool startPending = false;
    bool loaded = false;

    void Reset()
    {
        services.clear();
        handles.clear();
        startPending = false;
        loaded = false;
    }

    // Like the Windows service manager at start-up, takes the services the
    // registry records (all stopped), once.
    void LoadDatabase()
    {
        if (loaded)
            return;
        loaded = true;
        HKEY root = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kServicesPath, &root) != ERROR_SUCCESS)
            return;
        char name[kMaxNameLength];
        for (DWORD index = 0; RegEnumKeyA(root, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
            if (ServicePtr service = ServiceFromKey(root, name))
                services.push_back(service);
        }
        RegCloseKey(root);
    }

    SC_HANDLE NewHandle(DWORD access, const ServicePtr& service)
    {
        uintptr_t id = nextHandle;
        nextHandle += 4;
        handles[id] = Handle{access, service};
        return reinterpret_cast<SC_HANDLE>(id);
    }

    Handle* Find(SC_HANDLE handle)
    {
        auto found = handles.find(reinterpret_cast<uintptr_t>(handle));
        return found == handles.end() ? nullptr : &found->second;
    }

    // The manager behind a handle with the access asked for, or false with the last error set.
    bool CheckManager(SC_HANDLE handle, DWORD access)
    {
        Handle* found = Find(handle);
        if (!found || found->service)
            return Fail(ERROR_INVALID_HANDLE);
        if ((found->access & access) != access)
            return Fail(ERROR_ACCESS_DENIED);
        return true;
    }

    // The service behind a handle with the access asked for, or null with the last error set.
    Service* ServiceOf(SC_HANDLE handle, DWORD access)
    {
        Handle* found = Find(handle);
        if (!found || !found->service) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if ((found->access & access) != access) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        return found->service.get();
    }

    ServicePtr FindService(const char* name) const
    {
        for (const ServicePtr& service : services) {
            if (EqualNoCase(service->name, name))
                return service;
        }
        return nullptr;
    }

    bool DisplayNameTaken(const char* displayName) const
    {
        for (const ServicePtr& service : services) {
            if (service->hasDisplayName && EqualNoCase(service->displayName, displayName))
                return true;
        }
        return false;
    }

    bool GroupExists(const char* group) const
    {
        for (const ServicePtr& service : services) {
            if (service->hasGroup && EqualNoCase(service->group, group))
                return true;
        }
        return false;
    }

    size_t HandleCount(const Service& service) const
    {
        size_t count = 0;
        for (const auto& entry : handles) {
            if (entry.second.service.get() == &service)
                ++count;
        }
        return count;
    }

    // Removes a service marked for deletion once it is stopped and unused.
    void RemoveIfDone(const ServicePtr& service)
    {
        if (!service->markedForDelete || service->state != SERVICE_STOPPED || HandleCount(*service) > 0)
            return;
        DeleteKeyTree(HKEY_LOCAL_MACHINE, KeyPath(service->name));
        services.erase(std::find(services.begin(), services.end(), service));
    }
};

Manager& TheManager()
{
    static Manager manager;
    return manager;
}

bool IsValidName(const char* name)
{
    size_t length = std::strlen(name);
    return length > 0 && length <= kMaxNameLength && !std::strpbrk(name, "\\/");
}

// One driver type, or one Win32 process type that may interact with the desktop.
bool IsValidType(DWORD type)
{
    if (type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER)
        return true;
    DWORD process = type & ~static_cast<DWORD>(kInteractiveProcess);
    return process == SERVICE_WIN32_OWN_PROCESS || process == SERVICE_WIN32_SHARE_PROCESS;
}

// Only drivers start at boot or with the system.
bool IsValidStartType(DWORD type, DWORD startType)
{
    if (startType > SERVICE_DISABLED)
        return false;
    return startType > SERVICE_SYSTEM_START || (type & SERVICE_DRIVER) != 0;
}

SERVICE_STATUS_PROCESS StatusOf(const Service& service)
{
    SERVICE_STATUS_PROCESS status = {};
    status.dwServiceType = service.type;
    status.dwCurrentState = service.state;
    status.dwControlsAccepted = service.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = service.exitCode;
    return status;
}

void CopyStatus(const Service& service, LPSERVICE_STATUS status)
{
    SERVICE_STATUS_PROCESS full = StatusOf(service);
    status->dwServiceType = full.dwServiceType;
    status->dwCurrentState = full.dwCurrentState;
    status->dwControlsAccepted = full.dwControlsAccepted;
    status->dwWin32ExitCode = full.dwWin32ExitCode;
    status->dwServiceSpecificExitCode = full.dwServiceSpecificExitCode;
    status->dwCheckPoint = full.dwCheckPoint;
    status->dwWaitHint = full.dwWaitHint;
}

bool InGroup(const Service& service, const char* group)
{
    if (!group)
        return true;
    if (!*group)
        return !service.hasGroup || service.group.empty();
    return service.hasGroup && EqualNoCase(service.group, group);
}

bool InState(const Service& service, DWORD stateMask)
{
    DWORD state = service.state == SERVICE_STOPPED ? SERVICE_INACTIVE : SERVICE_ACTIVE;
    return (stateMask & state) != 0;
}

// Bytes the records and their strings take in the caller's buffer.
size_t RecordsSize(const std::vector<const Service*>& list)
{
    size_t size = list.size() * sizeof(ENUM_SERVICE_STATUS_PROCESSA);
    for (const Service* service : list)
        size += service->name.size() + 1 + (service->hasDisplayName ? service->displayName.size() + 1 : 0);
    return size;
}

// What Wine reports as needed: twice its wide-character transfer size, 44 bytes
// a record plus UTF-16 strings. It is more than RecordsSize.
DWORD ReportedSize(const std::vector<const Service*>& list)
{
    size_t size = list.size() * 44;
    for (const Service* service : list)
        size += 2 * (service->name.size() + 1 + (service->hasDisplayName ? service->displayName.size() + 1 : 0));
    return static_cast<DWORD>(2 * size);
}

char* CopyText(char*& cursor, const std::string& text)
{
    char* start = cursor;
    std::memcpy(cursor, text.c_str(), text.size() + 1);
    cursor += text.size() + 1;
    return start;
}

// The records first, then each record's name and display name.
void FillRecords(const std::vector<const Service*>& list, LPBYTE buffer)
{
    auto* records = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSA*>(buffer);
    char* text = reinterpret_cast<char*>(buffer + list.size() * sizeof(ENUM_SERVICE_STATUS_PROCESSA));
    for (size_t i = 0; i < list.size(); ++i) {
        const Service& service = *list[i];
        records[i].lpServiceName = CopyText(text, service.name);
        records[i].lpDisplayName = service.hasDisplayName ? CopyText(text, service.displayName) : nullptr;
        records[i].ServiceStatusProcess = StatusOf(service);
    }
}

} // namespace

void PlatformSetStartPending(bool pending)
{
    TheManager().startPending = pending;
}

void PlatformResetServices()
{
    TheManager().Reset();
}

size_t PlatformOpenServiceHandleCount()
{
    return TheManager().handles.size();
}

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess)
{
    if (machineName && *machineName)
        return FailHandle(kServerUnavailable);
    if (databaseName && *databaseName && std::strcmp(databaseName, "ServicesActive") != 0) {
        bool failedDatabase = std::strcmp(databaseName, "ServicesFailed") == 0;
        return FailHandle(failedDatabase ? ERROR_DATABASE_DOES_NOT_EXIST : ERROR_INVALID_NAME);
    }
    Manager& manager = TheManager();
    manager.LoadDatabase();
    return manager.NewHandle(desiredAccess, nullptr);
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess)
{
    Manager& scm = TheManager();
    if (!scm.CheckManager(manager, 0))
        return nullptr;
    if (!serviceName)
        return FailHandle(kInvalidAddress);
    if (!*serviceName)
        return FailHandle(ERROR_INVALID_NAME);
    ServicePtr service = scm.FindService(serviceName);
    if (!service)
        return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST);
    if (service->markedForDelete)
        return FailHandle(ERROR_SERVICE_MARKED_FOR_DELETE);
    return scm.NewHandle(desiredAccess, service);
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD desiredAccess,
                         DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPathName,
                         LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR, LPCSTR serviceStartName, LPCSTR)
{
    Manager& scm = TheManager();
    if (!scm.CheckManager(manager, SC_MANAGER_CREATE_SERVICE))
        return nullptr;
    if (!serviceName || !binaryPathName)
        return FailHandle(kInvalidAddress);
    if (!IsValidName(serviceName))
        return FailHandle(ERROR_INVALID_NAME);
    if (!IsValidType(serviceType) || !IsValidStartType(serviceType, startType) ||
        errorControl > SERVICE_ERROR_CRITICAL)
        return FailHandle(ERROR_INVALID_PARAMETER);
    if (ServicePtr existing = scm.FindService(serviceName))
        return FailHandle(existing->markedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
    if (displayName && scm.DisplayNameTaken(displayName))
        return FailHandle(ERROR_DUPLICATE_SERVICE_NAME);

    auto service = std::make_shared<Service>();
    service->name = serviceName;
    service->hasDisplayName = displayName != nullptr;
    service->displayName = displayName ? displayName : "";
    service->type = serviceType;
    service->startType = startType;
    service->errorControl = errorControl;
    service->binaryPath = binaryPathName;
    service->hasGroup = loadOrderGroup != nullptr;
    service->group = loadOrderGroup ? loadOrderGroup : "";
    service->account = serviceStartName ? serviceStartName : "LocalSystem";
    LONG rc = WriteServiceKey(*service);
    if (rc != ERROR_SUCCESS)
        return FailHandle(static_cast<DWORD>(rc));
    if (tagId)
        *tagId = 0;
    scm.services.push_back(service);
    return scm.NewHandle(desiredAccess, service);
}

BOOL StartServiceA(SC_HANDLE handle, DWORD, LPCSTR*)
{
    Manager& scm = TheManager();
    Service* service = scm.ServiceOf(handle, SERVICE_START);
    if (!service)
        return FALSE;
    if (service->markedForDelete)
        return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (service->startType == SERVICE_DISABLED)
        return Fail(ERROR_SERVICE_DISABLED);
    if (service->state != SERVICE_STOPPED)
        return Fail(ERROR_SERVICE_ALREADY_RUNNING);
    service->state = scm.startPending ? SERVICE_START_PENDING : SERVICE_RUNNING;
    service->exitCode = ERROR_SUCCESS;
    return TRUE;
}

BOOL ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status)
{
    Manager& scm = TheManager();
    if (!scm.ServiceOf(handle, 0))
        return FALSE;
    if (!status)
        return Fail(kInvalidAddress);
    DWORD access;
    if (control == SERVICE_CONTROL_STOP)
        access = SERVICE_STOP;
    else if (control == SERVICE_CONTROL_INTERROGATE)
        access = SERVICE_INTERROGATE;
    else
        return Fail(ERROR_INVALID_PARAMETER);
    Service* service = scm.ServiceOf(handle, access);
    if (!service)
        return FALSE;
    // Refusals for the service's state still report that state.
    CopyStatus(*service, status);
    if (service->state == SERVICE_STOPPED)
        return Fail(ERROR_SERVICE_NOT_ACTIVE);
    if (service->state != SERVICE_RUNNING)
        return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    if (control == SERVICE_CONTROL_STOP) {
        service->state = SERVICE_STOPPED;
        CopyStatus(*service, status);
    }
    return TRUE;
}

BOOL DeleteService(SC_HANDLE handle)
{
    Service* service = TheManager().ServiceOf(handle, DELETE);
    if (!service)
        return FALSE;
    if (service->markedForDelete)
        return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    service->markedForDelete = true;
    return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status)
{
    Service* service = TheManager().ServiceOf(handle, SERVICE_QUERY_STATUS);
    if (!service)
        return FALSE;
    if (!status)
        return Fail(kInvalidAddress);
    CopyStatus(*service, status);
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle)
{
    Manager& scm = TheManager();
    auto found = scm.handles.find(reinterpret_cast<uintptr_t>(handle));
    if (found == scm.handles.end())
        return Fail(ERROR_INVALID_HANDLE);
    ServicePtr service = found->second.service;
    scm.handles.erase(found);
    if (service)
        scm.RemoveIfDone(service);
    return TRUE;
}

// All matching services or none: Wine never fills a part of them and leaves
// the resume handle alone.
BOOL EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE infoLevel, DWORD serviceType, DWORD serviceState,
                           LPBYTE services, DWORD bufferSize, LPDWORD bytesNeeded, LPDWORD servicesReturned,
                           LPDWORD, LPCSTR groupName)
{
    Manager& scm = TheManager();
    if (!scm.CheckManager(manager, SC_MANAGER_ENUMERATE_SERVICE))
        return FALSE;
    if (infoLevel != SC_ENUM_PROCESS_INFO)
        return Fail(ERROR_INVALID_LEVEL);
    if (!bytesNeeded || !servicesReturned)
        return Fail(kInvalidAddress);
    *bytesNeeded = 0;
    *servicesReturned = 0;
    if (!serviceType || !serviceState)
        return Fail(ERROR_INVALID_PARAMETER);
    if (groupName && *groupName && !scm.GroupExists(groupName))
        return Fail(ERROR_SERVICE_DOES_NOT_EXIST);

    std::vector<const Service*> list;
    for (const ServicePtr& service : scm.services) {
        if ((service->type & serviceType) && InState(*service, serviceState) && InGroup(*service, groupName))
            list.push_back(service.get());
    }
    if (!services && bufferSize)
        return Fail(kInvalidAddress);
    if (bufferSize < RecordsSize(list)) {
        *bytesNeeded = ReportedSize(list);
        return Fail(ERROR_MORE_DATA);
    }
    if (!list.empty())
        FillRecords(list, services);
    *servicesReturned = static_cast<DWORD>(list.size());
    return TRUE;
}
