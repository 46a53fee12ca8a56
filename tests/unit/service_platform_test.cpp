// What the code relies on from the Service Control Manager and the run-time
// function lookup. These run natively against the emulation and under Wine
// against the real manager: both runs must agree. No test here starts a
// service under Wine; starting and stopping are tested natively only.
#include "registry_test_fixture.h"

#include "platform/reg_file.h"
#include "config/service_handle.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include "platform/emulation.h"
#endif

namespace {

const DWORD kNeverStarted = 1077;  // ERROR_SERVICE_NEVER_STARTED
const DWORD kInvalidAddress = 487; // ERROR_INVALID_ADDRESS
const char kGroup[] = "QbTestGroup";
const char kDriverPath[] = "C:\\QbTest\\qbtest.sys";
const char kProgramPath[] = "C:\\QbTest\\qbtest.exe";

// Every service a test may create; SetUp and TearDown remove them.
const char* const kTestServices[] = {"QbTestDriver", "QbTestPlain", "QbTestOther", "QbTestEnumC",
                                     "QbTestEnumA",  "QbTestEnumB", "QbTestNone",  "QbTestBlank"};

using EnumServicesFn = BOOL(WINAPI*)(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD, LPDWORD,
                                     LPCSTR);

using ScHandle = ServiceHandle;

std::string ServiceKeyPath(const char* name)
{
    return std::string("System\\CurrentControlSet\\Services\\") + name;
}

bool ServiceKeyExists(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, ServiceKeyPath(name).c_str(), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> ValueNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD index = 0; RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                          ERROR_SUCCESS;
         ++index) {
        names.push_back(name);
        length = sizeof name;
    }
    return names;
}

// Deletes a service left by this or an earlier run; it goes once its handles are closed.
void RemoveService(SC_HANDLE manager, const char* name)
{
    ScHandle service(OpenServiceA(manager, name, DELETE));
    if (service.Get())
        DeleteService(service.Get());
}

struct Listed {
    std::string name;
    std::string displayName;
    bool hasDisplayName;
    SERVICE_STATUS_PROCESS status;
};

// One call to EnumServicesStatusExA with a buffer of the given size.
struct Enumeration {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD needed = 0xDEADBEEF;
    DWORD returned = 0xDEADBEEF;
    DWORD resume = 0;
    std::vector<Listed> services;
};

Enumeration Enumerate(EnumServicesFn enumerate, SC_HANDLE manager, DWORD type, DWORD state, const char* group,
                      DWORD bufferSize, bool nullBuffer = false)
{
    Enumeration result;
    std::vector<BYTE> buffer(bufferSize + 1, 0xCC);
    SetLastError(0);
    result.ok = enumerate(manager, SC_ENUM_PROCESS_INFO, type, state, nullBuffer ? nullptr : buffer.data(), bufferSize,
                          &result.needed, &result.returned, &result.resume, group);
    result.error = GetLastError();
    if (!result.ok)
        return result;
    const BYTE* begin = buffer.data();
    const BYTE* end = begin + bufferSize;
    auto inside = [&](const char* text) {
        return reinterpret_cast<const BYTE*>(text) >= begin && reinterpret_cast<const BYTE*>(text) < end;
    };
    const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(begin);
    const BYTE* strings = begin + result.returned * sizeof(ENUM_SERVICE_STATUS_PROCESSA);
    for (DWORD i = 0; i < result.returned; ++i) {
        const ENUM_SERVICE_STATUS_PROCESSA& record = records[i];
        EXPECT_TRUE(inside(record.lpServiceName) && reinterpret_cast<const BYTE*>(record.lpServiceName) >= strings)
            << "names follow the records in the caller's buffer";
        if (record.lpDisplayName) {
            EXPECT_TRUE(inside(record.lpDisplayName));
        }
        result.services.push_back(Listed{record.lpServiceName, record.lpDisplayName ? record.lpDisplayName : "",
                                         record.lpDisplayName != nullptr, record.ServiceStatusProcess});
    }
    EXPECT_EQ(buffer[bufferSize], 0xCC) << "nothing written past the buffer";
    return result;
}

Enumeration Enumerate(SC_HANDLE manager, DWORD type, DWORD state, const char* group, DWORD bufferSize)
{
    return Enumerate(EnumServicesStatusExA, manager, type, state, group, bufferSize);
}

// The names of this suite's services in a listing, in its order.
std::vector<std::string> TestNames(const Enumeration& listing)
{
    std::vector<std::string> names;
    for (const Listed& service : listing.services) {
        if (service.name.compare(0, 6, "QbTest") == 0)
            names.push_back(service.name);
    }
    return names;
}

size_t RecordsSize(const Enumeration& listing)
{
    size_t size = listing.services.size() * sizeof(ENUM_SERVICE_STATUS_PROCESSA);
    for (const Listed& service : listing.services)
        size += service.name.size() + 1 + (service.hasDisplayName ? service.displayName.size() + 1 : 0);
    return size;
}

} // namespace

class ServicePlatform : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
#ifndef _WIN32
        PlatformResetServices();
        PlatformSetProcLookupFails(false);
#endif
        manager_ = ScHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager_.Get()) << GetLastError();
        RemoveTestServices();
    }

    void TearDown() override
    {
        RemoveTestServices();
        manager_.Close();
#ifndef _WIN32
        EXPECT_EQ(PlatformOpenServiceHandleCount(), 0u) << "service handles left open";
        PlatformResetServices();
        PlatformSetProcLookupFails(false);
#endif
        RegistryTest::TearDown();
    }

    void RemoveTestServices()
    {
        for (const char* name : kTestServices)
            RemoveService(manager_.Get(), name);
    }

    ScHandle Create(const char* name, const char* displayName, DWORD type = SERVICE_KERNEL_DRIVER,
                    const char* group = kGroup, DWORD access = SERVICE_ALL_ACCESS)
    {
        const char* path = (type & SERVICE_DRIVER) ? kDriverPath : kProgramPath;
        SetLastError(0);
        SC_HANDLE handle = CreateServiceA(manager_.Get(), name, displayName, access, type, SERVICE_DEMAND_START,
                                          SERVICE_ERROR_NORMAL, path, group, nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(handle) << name << ": " << GetLastError();
        return ScHandle(handle);
    }

    ScHandle OpenTestService(const char* name, DWORD access) const
    {
        return ScHandle(OpenServiceA(manager_.Get(), name, access));
    }

    // CreateServiceA expected to fail: the error it gives.
    DWORD CreateError(const char* name, const char* displayName, DWORD type = SERVICE_KERNEL_DRIVER,
                      DWORD startType = SERVICE_DEMAND_START, const char* path = kDriverPath)
    {
        SetLastError(0);
        ScHandle handle(CreateServiceA(manager_.Get(), name, displayName, SERVICE_ALL_ACCESS, type, startType,
                                       SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr, nullptr));
        DWORD error = GetLastError();
        EXPECT_FALSE(handle.Get()) << "created " << (name ? name : "(null)");
        return error;
    }

    DWORD OpenError(const char* name, DWORD access = SERVICE_QUERY_STATUS) const
    {
        SetLastError(0);
        ScHandle handle(OpenServiceA(manager_.Get(), name, access));
        DWORD error = GetLastError();
        EXPECT_FALSE(handle.Get()) << "opened " << (name ? name : "(null)");
        return error;
    }

    ScHandle manager_;
};

TEST_F(ServicePlatform, CreateWritesTheServiceKey)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    RegKey key = Open(HKEY_LOCAL_MACHINE, ServiceKeyPath("QbTestDriver").c_str());
    ASSERT_TRUE(key.Get());
    std::vector<std::string> expected = {"DisplayName", "ErrorControl", "Group", "ImagePath",
                                         "ObjectName",  "PreshutdownTimeout", "Start", "Type"};
    EXPECT_EQ(ValueNames(key.Get()), expected);
    EXPECT_EQ(ReadString(key.Get(), "DisplayName"), "Quenbus Test Driver");
    EXPECT_EQ(ReadDword(key.Get(), "ErrorControl"), static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(ReadString(key.Get(), "Group"), kGroup);
    EXPECT_EQ(ReadString(key.Get(), "ImagePath"), kDriverPath) << "a plain string, not REG_EXPAND_SZ";
    EXPECT_EQ(ReadString(key.Get(), "ObjectName"), "LocalSystem");
    EXPECT_EQ(ReadDword(key.Get(), "PreshutdownTimeout"), 180000u);
    EXPECT_EQ(ReadDword(key.Get(), "Start"), static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(ReadDword(key.Get(), "Type"), static_cast<DWORD>(SERVICE_KERNEL_DRIVER));

    SERVICE_STATUS status;
    std::memset(&status, 0xCC, sizeof status);
    ASSERT_TRUE(QueryServiceStatus(service.Get(), &status)) << GetLastError();
    EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwControlsAccepted, 0u);
    EXPECT_EQ(status.dwWin32ExitCode, kNeverStarted);
    EXPECT_EQ(status.dwServiceSpecificExitCode, 0u);
    EXPECT_EQ(status.dwCheckPoint, 0u);
    EXPECT_EQ(status.dwWaitHint, 0u);
}

TEST_F(ServicePlatform, NullDisplayNameAndGroupWriteNoValue)
{
    ScHandle plain = Create("QbTestPlain", nullptr, SERVICE_WIN32_OWN_PROCESS, nullptr);
    ScHandle blank = Create("QbTestBlank", "", SERVICE_KERNEL_DRIVER, "");
    ASSERT_TRUE(plain.Get() && blank.Get());
    RegKey plainKey = Open(HKEY_LOCAL_MACHINE, ServiceKeyPath("QbTestPlain").c_str());
    ASSERT_TRUE(plainKey.Get());
    EXPECT_FALSE(HasValue(plainKey.Get(), "DisplayName"));
    EXPECT_FALSE(HasValue(plainKey.Get(), "Group"));
    EXPECT_EQ(ReadString(plainKey.Get(), "ImagePath"), kProgramPath);
    EXPECT_EQ(ReadDword(plainKey.Get(), "Type"), static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(ValueCount(plainKey.Get()), 6);
    RegKey blankKey = Open(HKEY_LOCAL_MACHINE, ServiceKeyPath("QbTestBlank").c_str());
    ASSERT_TRUE(blankKey.Get());
    EXPECT_EQ(ReadString(blankKey.Get(), "DisplayName"), "");
    EXPECT_EQ(ReadString(blankKey.Get(), "Group"), "");

    Enumeration listing = Enumerate(manager_.Get(), SERVICE_DRIVER | SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 1 << 20);
    ASSERT_TRUE(listing.ok) << listing.error;
    auto plainListed = std::find_if(listing.services.begin(), listing.services.end(),
                                    [](const Listed& s) { return s.name == "QbTestPlain"; });
    ASSERT_NE(plainListed, listing.services.end());
    EXPECT_FALSE(plainListed->hasDisplayName) << "listed without a display name";
    auto blankListed = std::find_if(listing.services.begin(), listing.services.end(),
                                    [](const Listed& s) { return s.name == "QbTestBlank"; });
    ASSERT_NE(blankListed, listing.services.end());
    EXPECT_TRUE(blankListed->hasDisplayName);
    EXPECT_EQ(blankListed->displayName, "");
}

TEST_F(ServicePlatform, NamesAndDisplayNamesAreUniqueIgnoringCase)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    EXPECT_EQ(CreateError("QBTESTDRIVER", "Another"), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_EQ(CreateError("QbTestOther", "QUENBUS test driver"), static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME));
    EXPECT_EQ(OpenError("QbTestOther"), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    RegKey key = Open(HKEY_LOCAL_MACHINE, ServiceKeyPath("QbTestDriver").c_str());
    EXPECT_EQ(ReadString(key.Get(), "DisplayName"), "Quenbus Test Driver") << "the first service is untouched";

    // A display name may repeat a service name, and the other way round.
    ScHandle other = Create("QbTestOther", "QbTestDriver");
    EXPECT_TRUE(other.Get());
    ScHandle plain = Create("QbTestPlain", "qbtestplain");
    EXPECT_TRUE(plain.Get());
}

TEST_F(ServicePlatform, OpenFindsTheServiceNameOnly)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    ScHandle again = OpenTestService("qbtestDRIVER", SERVICE_QUERY_STATUS);
    EXPECT_TRUE(again.Get());
    EXPECT_EQ(OpenError("QbTestMissing"), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(OpenError("Quenbus Test Driver"), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(OpenError(""), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(ServicePlatform, CreateChecksItsArguments)
{
    EXPECT_EQ(CreateError("", "x"), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(CreateError("QbTest\\Slash", "x"), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(CreateError("QbTest/Slash", "x"), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(CreateError("QbTestOther", "x", 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateError("QbTestOther", "x", SERVICE_KERNEL_DRIVER | SERVICE_FILE_SYSTEM_DRIVER),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateError("QbTestOther", "x", SERVICE_KERNEL_DRIVER, 7), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateError("QbTestOther", "x", SERVICE_WIN32_OWN_PROCESS, SERVICE_BOOT_START, kProgramPath),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << "only drivers start at boot";
    EXPECT_EQ(CreateError("QbTestOther", "x", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, nullptr), kInvalidAddress);
    EXPECT_FALSE(ServiceKeyExists("QbTestOther"));

    ScHandle connectOnly(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(connectOnly.Get());
    SetLastError(0);
    ScHandle refused(CreateServiceA(connectOnly.Get(), "QbTestOther", nullptr, SERVICE_ALL_ACCESS,
                                    SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, kDriverPath,
                                    nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(refused.Get());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ServicePlatform, ManagerOpensTheActiveDatabaseOnly)
{
    for (const char* database : {static_cast<const char*>(nullptr), "", "ServicesActive"}) {
        ScHandle manager(OpenSCManagerA(nullptr, database, SC_MANAGER_CONNECT));
        EXPECT_TRUE(manager.Get()) << (database ? database : "(null)");
    }
    ScHandle localMachine(OpenSCManagerA("", nullptr, SC_MANAGER_CONNECT));
    EXPECT_TRUE(localMachine.Get());
    SetLastError(0);
    EXPECT_FALSE(OpenSCManagerA(nullptr, "ServicesFailed", SC_MANAGER_CONNECT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));
    SetLastError(0);
    EXPECT_FALSE(OpenSCManagerA(nullptr, "QbTestDatabase", SC_MANAGER_CONNECT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
#ifndef _WIN32
    // Windows reaches no other machine here; Wine ignores the machine name.
    EXPECT_FALSE(OpenSCManagerA("\\\\QbTestMachine", nullptr, SC_MANAGER_CONNECT));
#endif
}

TEST_F(ServicePlatform, DeletedServiceGoesWithItsLastHandle)
{
    ScHandle first = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(first.Get());
    HKEY parameters = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, (ServiceKeyPath("QbTestDriver") + "\\Parameters\\Deep").c_str(),
                            &parameters),
              ERROR_SUCCESS);
    RegCloseKey(parameters);
    ScHandle second = OpenTestService("QbTestDriver", SERVICE_ALL_ACCESS);
    ASSERT_TRUE(second.Get());

    ASSERT_TRUE(DeleteService(first.Get())) << GetLastError();
    SetLastError(0);
    EXPECT_FALSE(DeleteService(second.Get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    EXPECT_EQ(CreateError("qbtestdriver", nullptr), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
#ifndef _WIN32
    // Windows refuses to open it; Wine still does.
    EXPECT_EQ(OpenError("QbTestDriver"), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
#endif
    SERVICE_STATUS status;
    EXPECT_TRUE(QueryServiceStatus(second.Get(), &status)) << "its handles still work";
    EXPECT_TRUE(ServiceKeyExists("QbTestDriver"));
    Enumeration listing = Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, kGroup, 4096);
    EXPECT_EQ(TestNames(listing), std::vector<std::string>{"QbTestDriver"}) << "still listed";

    first.Close();
    EXPECT_TRUE(ServiceKeyExists("QbTestDriver"));
    second.Close();
    EXPECT_EQ(OpenError("QbTestDriver"), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_FALSE(ServiceKeyExists("QbTestDriver")) << "the key goes with its subkeys";
    ScHandle recreated = Create("QbTestDriver", "Quenbus Test Driver");
    EXPECT_TRUE(recreated.Get());
}

TEST_F(ServicePlatform, HandlesCarryTheirAccessRights)
{
    ScHandle created = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(created.Get());
    SERVICE_STATUS status;

    ScHandle queryOnly = OpenTestService("QbTestDriver", SERVICE_QUERY_STATUS);
    ASSERT_TRUE(queryOnly.Get());
    EXPECT_TRUE(QueryServiceStatus(queryOnly.Get(), &status));
    SetLastError(0);
    EXPECT_FALSE(DeleteService(queryOnly.Get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(queryOnly.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(0);
    EXPECT_FALSE(ControlService(queryOnly.Get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    ScHandle startOnly = OpenTestService("QbTestDriver", SERVICE_START);
    ASSERT_TRUE(startOnly.Get());
    SetLastError(0);
    EXPECT_FALSE(QueryServiceStatus(startOnly.Get(), &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // With the right, stopping a stopped service is refused for its state, which it reports.
    ScHandle stopOnly = OpenTestService("QbTestDriver", SERVICE_STOP);
    ASSERT_TRUE(stopOnly.Get());
    std::memset(&status, 0xCC, sizeof status);
    SetLastError(0);
    EXPECT_FALSE(ControlService(stopOnly.Get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    SetLastError(0);
    EXPECT_FALSE(ControlService(stopOnly.Get(), SERVICE_CONTROL_STOP, nullptr));
    EXPECT_EQ(GetLastError(), kInvalidAddress);

    // DELETE is part of STANDARD_RIGHTS_REQUIRED.
    ScHandle standard = OpenTestService("QbTestDriver", STANDARD_RIGHTS_REQUIRED);
    ASSERT_TRUE(standard.Get());
    EXPECT_TRUE(DeleteService(standard.Get())) << GetLastError();
}

TEST_F(ServicePlatform, HandlesOfTheWrongKindAreInvalid)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    SERVICE_STATUS status;
    SetLastError(0);
    EXPECT_FALSE(DeleteService(manager_.Get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(QueryServiceStatus(manager_.Get(), &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(OpenServiceA(service.Get(), "QbTestDriver", SERVICE_QUERY_STATUS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD needed = 0, returned = 0;
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusExA(service.Get(), SC_ENUM_PROCESS_INFO, SERVICE_DRIVER, SERVICE_STATE_ALL, nullptr,
                                       0, &needed, &returned, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(CloseServiceHandle(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ServicePlatform, EnumerationTellsTheSizeThenFillsTheBuffer)
{
    ScHandle c = Create("QbTestEnumC", "Enum C");
    ScHandle a = Create("QbTestEnumA", "Enum A", SERVICE_WIN32_OWN_PROCESS);
    ScHandle b = Create("QbTestEnumB", "Enum B");
    ASSERT_TRUE(c.Get() && a.Get() && b.Get());
    const DWORD all = SERVICE_DRIVER | SERVICE_WIN32;

    Enumeration sizing = Enumerate(EnumServicesStatusExA, manager_.Get(), all, SERVICE_STATE_ALL, kGroup, 0, true);
    EXPECT_FALSE(sizing.ok);
    EXPECT_EQ(sizing.error, static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(sizing.returned, 0u);
    EXPECT_EQ(sizing.resume, 0u);
    // Room for the records alone is not enough either.
    Enumeration tooSmall = Enumerate(manager_.Get(), all, SERVICE_STATE_ALL, kGroup, sizeof(ENUM_SERVICE_STATUS_PROCESSA));
    EXPECT_FALSE(tooSmall.ok);
    EXPECT_EQ(tooSmall.error, static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(tooSmall.returned, 0u);
    EXPECT_EQ(tooSmall.needed, sizing.needed);

    Enumeration listing = Enumerate(manager_.Get(), all, SERVICE_STATE_ALL, kGroup, sizing.needed);
    ASSERT_TRUE(listing.ok) << listing.error;
    EXPECT_EQ(listing.returned, 3u);
    EXPECT_EQ(listing.needed, 0u);
    EXPECT_EQ(listing.resume, 0u);
    EXPECT_GE(sizing.needed, RecordsSize(listing));
    // In creation order, as Wine lists the services created while it runs.
    std::vector<std::string> expected = {"QbTestEnumC", "QbTestEnumA", "QbTestEnumB"};
    ASSERT_EQ(TestNames(listing), expected);
    EXPECT_EQ(listing.services[1].displayName, "Enum A");
    const SERVICE_STATUS_PROCESS& status = listing.services[1].status;
    EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwWin32ExitCode, kNeverStarted);
    EXPECT_EQ(status.dwProcessId, 0u);
    EXPECT_EQ(status.dwServiceFlags, 0u);

    // The exact size of records and strings is enough.
    Enumeration exact = Enumerate(manager_.Get(), all, SERVICE_STATE_ALL, kGroup, static_cast<DWORD>(RecordsSize(listing)));
    EXPECT_TRUE(exact.ok) << exact.error;
    EXPECT_EQ(TestNames(exact), expected);
#ifndef _WIN32
    // Room for the records but not for all their strings. Wine answers
    // ERROR_INSUFFICIENT_BUFFER here, having filled a part of the buffer.
    Enumeration partial =
        Enumerate(manager_.Get(), all, SERVICE_STATE_ALL, kGroup, static_cast<DWORD>(RecordsSize(listing) - 1));
    EXPECT_FALSE(partial.ok);
    EXPECT_EQ(partial.error, static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(partial.needed, sizing.needed);
    EXPECT_EQ(partial.returned, 0u);
#endif
}

TEST_F(ServicePlatform, EnumerationFiltersByTypeAndState)
{
    ScHandle c = Create("QbTestEnumC", "Enum C");
    ScHandle a = Create("QbTestEnumA", "Enum A", SERVICE_WIN32_OWN_PROCESS);
    ScHandle b = Create("QbTestEnumB", "Enum B");
    ASSERT_TRUE(c.Get() && a.Get() && b.Get());
    const DWORD all = SERVICE_DRIVER | SERVICE_WIN32;

    std::vector<std::string> drivers = {"QbTestEnumC", "QbTestEnumB"};
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, kGroup, 4096)), drivers);
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, kGroup, 4096)),
              std::vector<std::string>{"QbTestEnumA"});
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), all, SERVICE_INACTIVE, kGroup, 4096)).size(), 3u);
    Enumeration active = Enumerate(manager_.Get(), all, SERVICE_ACTIVE, kGroup, 4096);
    EXPECT_TRUE(active.ok);
    EXPECT_EQ(active.returned, 0u);

    DWORD needed = 0, returned = 0;
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusExA(manager_.Get(), SC_ENUM_PROCESS_INFO, 0, SERVICE_STATE_ALL, nullptr, 0, &needed,
                                       &returned, nullptr, kGroup));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusExA(manager_.Get(), SC_ENUM_PROCESS_INFO, all, 0, nullptr, 0, &needed, &returned,
                                       nullptr, kGroup));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusExA(manager_.Get(), static_cast<SC_ENUM_TYPE>(1), all, SERVICE_STATE_ALL, nullptr,
                                       0, &needed, &returned, nullptr, kGroup));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

    ScHandle connectOnly(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusExA(connectOnly.Get(), SC_ENUM_PROCESS_INFO, all, SERVICE_STATE_ALL, nullptr, 0,
                                       &needed, &returned, nullptr, kGroup));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ServicePlatform, EnumerationSelectsTheGroup)
{
    ScHandle grouped = Create("QbTestEnumA", "Enum A");
    ScHandle other = Create("QbTestOther", "Other", SERVICE_KERNEL_DRIVER, "QbTestOtherGroup");
    ScHandle none = Create("QbTestNone", "None", SERVICE_KERNEL_DRIVER, nullptr);
    ScHandle blank = Create("QbTestBlank", "Blank", SERVICE_KERNEL_DRIVER, "");
    ASSERT_TRUE(grouped.Get() && other.Get() && none.Get() && blank.Get());

    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, kGroup, 1 << 16)),
              std::vector<std::string>{"QbTestEnumA"});
    std::vector<std::string> ungrouped = {"QbTestNone", "QbTestBlank"};
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, "", 1 << 16)), ungrouped);
    std::vector<std::string> everything = {"QbTestEnumA", "QbTestOther", "QbTestNone", "QbTestBlank"};
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, nullptr, 1 << 16)), everything);

#ifndef _WIN32
    // Windows matches the group ignoring case; Wine finds the group so but
    // then lists only the services whose group has the very same case.
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, "QBTESTGROUP", 1 << 16)),
              std::vector<std::string>{"QbTestEnumA"});
#endif
    Enumeration missing = Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, "QbTestNoSuchGroup", 1 << 16);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(missing.needed, 0u);
    EXPECT_EQ(missing.returned, 0u);
    // A group that exists, with no service of the type asked for.
    Enumeration empty = Enumerate(manager_.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, kGroup, 1 << 16);
    EXPECT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(empty.returned, 0u);
}

TEST_F(ServicePlatform, EnumerationIsFoundAtRunTime)
{
    HMODULE module = LoadLibraryA("ADVAPI32.DLL");
    ASSERT_TRUE(module) << GetLastError();
    for (const char* name : {"advapi32", "Advapi32.dll"}) {
        HMODULE same = LoadLibraryA(name);
        EXPECT_EQ(same, module) << name;
        FreeLibrary(same);
    }
    FARPROC proc = GetProcAddress(module, "EnumServicesStatusExA");
    ASSERT_TRUE(proc) << GetLastError();
    auto enumerate = reinterpret_cast<EnumServicesFn>(reinterpret_cast<void*>(proc));

    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    Enumeration found = Enumerate(enumerate, manager_.Get(), SERVICE_DRIVER, SERVICE_STATE_ALL, kGroup, 4096);
    ASSERT_TRUE(found.ok) << found.error;
    EXPECT_EQ(TestNames(found), std::vector<std::string>{"QbTestDriver"});

    SetLastError(0);
    EXPECT_FALSE(GetProcAddress(module, "enumservicesstatusexa")) << "export names are case-sensitive";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(GetProcAddress(module, "QbTestNoSuchFunction"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(module));

    SetLastError(0);
    EXPECT_FALSE(LoadLibraryA("qbtestmissing.dll"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(LastError, BelongsToTheThread)
{
    // Atomics, not calls that may set the last error, order the two threads.
    std::atomic<int> step{0};
    DWORD seenAtStart = 0, seenAfterSet = 0;
    std::thread other([&] {
        while (step.load() != 1) {
        }
        seenAtStart = GetLastError();
        SetLastError(5678);
        seenAfterSet = GetLastError();
        step.store(2);
    });
    SetLastError(1234);
    step.store(1);
    while (step.load() != 2) {
    }
    DWORD mine = GetLastError();
    other.join();
    EXPECT_NE(seenAtStart, 1234u) << "a thread does not see another's error";
    EXPECT_EQ(seenAfterSet, 5678u);
    EXPECT_EQ(mine, 1234u);
}

#ifndef _WIN32

TEST_F(ServicePlatform, StartAndStopChangeTheState)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr)) << GetLastError();
    SERVICE_STATUS status;
    ASSERT_TRUE(QueryServiceStatus(service.Get(), &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
    EXPECT_EQ(status.dwWin32ExitCode, 0u);
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(service.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_ACTIVE, kGroup, 4096)),
              std::vector<std::string>{"QbTestDriver"});
    EXPECT_TRUE(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_INACTIVE, kGroup, 4096)).empty());
    EXPECT_TRUE(ControlService(service.Get(), SERVICE_CONTROL_INTERROGATE, &status));
    SetLastError(0);
    EXPECT_FALSE(ControlService(service.Get(), 99, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    std::memset(&status, 0xCC, sizeof status);
    ASSERT_TRUE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwWin32ExitCode, 0u) << "stopped after a run, not never started";
    SetLastError(0);
    EXPECT_FALSE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_TRUE(StartServiceA(service.Get(), 0, nullptr)) << "a stopped service starts again";
}

TEST_F(ServicePlatform, StartNeedsAnEnabledServiceAndTheRight)
{
    ScHandle disabled(CreateServiceA(manager_.Get(), "QbTestDriver", nullptr, SERVICE_ALL_ACCESS,
                                     SERVICE_KERNEL_DRIVER, SERVICE_DISABLED, SERVICE_ERROR_NORMAL, kDriverPath,
                                     nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(disabled.Get());
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(disabled.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DISABLED));

    ScHandle enabled = Create("QbTestOther", nullptr);
    ScHandle queryOnly = OpenTestService("QbTestOther", SERVICE_QUERY_STATUS);
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(queryOnly.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(DeleteService(enabled.Get()));
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(enabled.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
}

TEST_F(ServicePlatform, StartPendingIsNotRunning)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    PlatformSetStartPending(true);
    ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr)) << GetLastError();
    SERVICE_STATUS status;
    ASSERT_TRUE(QueryServiceStatus(service.Get(), &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
    EXPECT_EQ(status.dwControlsAccepted, 0u);
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(service.Get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
    SetLastError(0);
    EXPECT_FALSE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
    EXPECT_EQ(TestNames(Enumerate(manager_.Get(), SERVICE_DRIVER, SERVICE_ACTIVE, kGroup, 4096)),
              std::vector<std::string>{"QbTestDriver"})
        << "pending counts as active";

    PlatformSetStartPending(false);
    ScHandle other = Create("QbTestOther", nullptr);
    ASSERT_TRUE(StartServiceA(other.Get(), 0, nullptr));
    ASSERT_TRUE(QueryServiceStatus(other.Get(), &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServicePlatform, DeletedServiceStaysWhileRunning)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr));
    ASSERT_TRUE(DeleteService(service.Get()));
    service.Close();
    EXPECT_EQ(OpenError("QbTestDriver"), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    EXPECT_TRUE(ServiceKeyExists("QbTestDriver"));

    ScHandle other = Create("QbTestOther", nullptr);
    ASSERT_TRUE(StartServiceA(other.Get(), 0, nullptr));
    ASSERT_TRUE(DeleteService(other.Get()));
    SERVICE_STATUS status;
    ASSERT_TRUE(ControlService(other.Get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(ServiceKeyExists("QbTestOther")) << "its handle is still open";
    other.Close();
    EXPECT_EQ(OpenError("QbTestOther"), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_FALSE(ServiceKeyExists("QbTestOther"));
}

TEST_F(ServicePlatform, ProcLookupCanBeMadeToFail)
{
    HMODULE module = LoadLibraryA("advapi32");
    ASSERT_TRUE(module);
    EXPECT_EQ(GetProcAddress(module, "EnumServicesStatusExA"), reinterpret_cast<FARPROC>(&EnumServicesStatusExA));
    PlatformSetProcLookupFails(true);
    SetLastError(0);
    EXPECT_FALSE(GetProcAddress(module, "EnumServicesStatusExA"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    PlatformSetProcLookupFails(false);
    EXPECT_TRUE(GetProcAddress(module, "EnumServicesStatusExA"));
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ServicePlatform, ResetForgetsServicesAndHandles)
{
    ScHandle service = Create("QbTestDriver", "Quenbus Test Driver");
    ASSERT_TRUE(service.Get());
    EXPECT_EQ(PlatformOpenServiceHandleCount(), 2u);
    PlatformResetServices();
    EXPECT_EQ(PlatformOpenServiceHandleCount(), 0u);
    SetLastError(0);
    EXPECT_FALSE(CloseServiceHandle(service.Release())) << "the handle went with the reset";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    manager_.Release();
    // Like Windows after a restart, the manager reads its services from the registry.
    manager_ = ScHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle reloaded(OpenServiceA(manager_.Get(), "QbTestDriver", SERVICE_QUERY_STATUS));
    ASSERT_TRUE(reloaded.Get());
    SERVICE_STATUS status = {};
    EXPECT_TRUE(QueryServiceStatus(reloaded.Get(), &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    reloaded.Close();
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\QbTestDriver");
    PlatformResetServices();
    manager_.Release();
    manager_ = ScHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle recreated = Create("QbTestDriver", "Quenbus Test Driver");
    EXPECT_TRUE(recreated.Get()) << "without its key the name is free again";
}

#endif
