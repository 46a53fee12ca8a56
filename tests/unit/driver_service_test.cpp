// Installing, starting, stopping, querying and removing the bus driver's
// kernel service. Under Wine the stub driver really loads.
#include "system_fixture.h"

#include "service/driver_service.h"
#ifndef _WIN32
#include "platform/emulation.h"
#endif

class DriverService : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        RemoveService(kName);
    }
    void TearDown() override
    {
        RemoveService(kName);
        RegistryTest::TearDown();
    }
    static const char kName[];
};

const char DriverService::kName[] = "QbStub";

TEST_F(DriverService, InstalledServiceIsADemandStartKernelDriver)
{
    EXPECT_EQ(IsInstalledDriverNT(kName), 0);
    ASSERT_EQ(InstallDriverNT(kName, nullptr, kStubDriverPath), 1);
    EXPECT_EQ(IsInstalledDriverNT(kName), 1);
    EXPECT_EQ(IsStartedDriverNT(kName), 0);
    RegKey key = Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\QbStub");
    ASSERT_TRUE(key.Get());
    EXPECT_EQ(ReadDword(key.Get(), "Type"), 1u);
    EXPECT_EQ(ReadDword(key.Get(), "Start"), 3u);
    EXPECT_EQ(ReadDword(key.Get(), "ErrorControl"), 1u);
    EXPECT_EQ(ReadString(key.Get(), "DisplayName"), kName) << "null display name: the service name";
    EXPECT_EQ(ReadString(key.Get(), "ImagePath"), kStubDriverPath);

    EXPECT_EQ(InstallDriverNT(kName, "Another", "C:\\other.sys"), 0) << "exists already";
    EXPECT_EQ(ReadString(key.Get(), "DisplayName"), kName);
    EXPECT_EQ(ReadString(key.Get(), "ImagePath"), kStubDriverPath);
}

TEST_F(DriverService, StartsStopsAndGoes)
{
    ASSERT_EQ(InstallDriverNT(kName, "Quenbus stub driver", kStubDriverPath), 1);
    EXPECT_EQ(StopDriverNT(kName), 0) << "not running";
    ASSERT_EQ(StartDriverNT(kName), 1);
    EXPECT_EQ(IsStartedDriverNT(kName), 1);
    EXPECT_EQ(StartDriverNT(kName), 0) << "already running";
    EXPECT_EQ(IsStartedDriverNT(kName), 1);
    EXPECT_EQ(StopDriverNT(kName), 1);
    EXPECT_EQ(IsStartedDriverNT(kName), 0);
    EXPECT_EQ(StopDriverNT(kName), 0);
    EXPECT_EQ(IsInstalledDriverNT(kName), 1);
    EXPECT_EQ(UninstallDriverNT(kName), 1);
    EXPECT_EQ(IsInstalledDriverNT(kName), 0);
    EXPECT_EQ(IsStartedDriverNT(kName), 0);
    EXPECT_FALSE(Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\QbStub").Get());
}

TEST_F(DriverService, UnknownNamesAnswerNo)
{
    EXPECT_EQ(IsInstalledDriverNT("QbNoSuchService"), 0);
    EXPECT_EQ(IsStartedDriverNT("QbNoSuchService"), 0);
    EXPECT_EQ(StartDriverNT("QbNoSuchService"), 0);
    EXPECT_EQ(StopDriverNT("QbNoSuchService"), 0);
    EXPECT_EQ(UninstallDriverNT("QbNoSuchService"), 0);
}

#ifndef _WIN32
TEST_F(DriverService, StartPendingIsNotStarted)
{
    ASSERT_EQ(InstallDriverNT(kName, nullptr, kStubDriverPath), 1);
    PlatformSetStartPending(true);
    EXPECT_EQ(StartDriverNT(kName), 1);
    EXPECT_EQ(IsStartedDriverNT(kName), 0);
    PlatformSetStartPending(false);
}
#endif
