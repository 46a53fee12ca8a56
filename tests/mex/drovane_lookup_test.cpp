// The bus driver library's interfaces: names resolved from the bus
// configuration, boards found per Windows family, and the calls the applet
// makes to check a name.
#include "system_fixture.h"

#include "drovane/drovane.h"

#include <string>

namespace {

// Opens an interface by name as the applet checks it: the handle, or the
// error number of the failed open as a negative number.
int OpenByName(const char* name)
{
    DrvPrepare(-1, 0);
    int handle = DrvOpenName(name);
    if (handle >= 0) {
        EXPECT_EQ(DrvClose(handle), 0) << name;
        return handle;
    }
    return -DrvLastError(-1, 0);
}

// Interface nodes 0000 (GPIB0), 0001 (GPIB1) and 0002 (no name), with the
// hardware keys given, as REGEDIT4 text.
std::string Interfaces(const std::string& first, const std::string& second)
{
    return "REGEDIT4\n"
                          "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
                          "\"UserName\"=\"GPIB0\"\n"
                          "\"HardwareKey\"=\"" + first + "\"\n"
                          "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
                          "\"UserName\"=\"GPIB1\"\n"
                          "\"HardwareKey\"=\"" + second + "\"\n"
                          "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002]\n";
}

using DrovaneNames = RegistryTest;

TEST_F(DrovaneNames, WithoutConfigurationTheFourDefaultInterfacesOpen)
{
    for (const char* name : {"IEEE0", "IEEE1", "IEEE2", "ieee3"})
        EXPECT_GE(OpenByName(name), 0) << name;
    EXPECT_EQ(OpenByName("IEEE4"), -DRV_ERR_UNKNOWN_NAME);
    EXPECT_EQ(OpenByName("IEEE"), -DRV_ERR_UNKNOWN_NAME);
    EXPECT_EQ(OpenByName(""), -DRV_ERR_UNKNOWN_NAME);
}

// An adapter serves as the interface's board: the name opens without one,
// and without asking the adapter (none answers at port 1).
TEST_F(DrovaneNames, AnInterfaceWithAnAdapterOpensWithoutABoard)
{
    LoadReg(Interfaces("", "") + "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
                                 "\"Adapter\"=\"tcp://127.0.0.1:1\"\n");
    EXPECT_EQ(OpenByName("GPIB0"), -DRV_ERR_NO_BOARD);
    EXPECT_GE(OpenByName("gpib1"), 0);
    // An empty value binds nothing.
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"Adapter\"=\"\"\n");
    EXPECT_EQ(OpenByName("GPIB1"), -DRV_ERR_NO_BOARD);
}

TEST_F(DrovaneNames, AnInterfaceOpensByNameOnceAtATime)
{
    DrvPrepare(-1, 0);
    int first = DrvOpenName("IEEE0");
    ASSERT_GE(first, 0);
    EXPECT_EQ(DrvOpenName("ieee0"), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_ALREADY_OPEN);
    int other = DrvOpenName("IEEE1");
    EXPECT_GE(other, 0);
    EXPECT_NE(other, first);
    EXPECT_EQ(DrvClose(first), 0);
    EXPECT_EQ(DrvClose(first), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
    int again = DrvOpenName("IEEE0");
    EXPECT_EQ(again, first);
    EXPECT_EQ(DrvClose(again), 0);
    EXPECT_EQ(DrvClose(other), 0);
}

TEST_F(DrovaneNames, TheLastErrorStaysUntilThePreparatoryCall)
{
    DrvPrepare(-1, 0);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_NONE);
    EXPECT_EQ(DrvOpenName("NOSUCH"), -1);
    int handle = DrvOpenName("IEEE2");
    ASSERT_GE(handle, 0);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_UNKNOWN_NAME);
    EXPECT_EQ(DrvLastError(handle, 0), DRV_ERR_NONE);
    EXPECT_EQ(DrvPrepare(-1, 0), 0);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_NONE);
    EXPECT_EQ(DrvLastError(handle + 100, 0), DRV_ERR_BAD_HANDLE);
    EXPECT_EQ(DrvPrepare(handle + 100, 0), -1);
    EXPECT_EQ(DrvClose(handle), 0);
}

using Nt5Drovane = Nt5System;

TEST_F(Nt5Drovane, AnInterfaceOpensWhenDiscoveryFindsItsBoard)
{
    ScopedService service("QbVexA", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(service.Created());
    LoadFixture("nt5_devices.reg");
    LoadReg(Interfaces("pci\\\\ven_10e8&dev_8081&subsys_00000000&rev_01\\\\4&1a2b3c&0&5808",
                   "ROOT\\\\KVX488\\\\0000"));
    EXPECT_GE(OpenByName("GPIB0"), 0);
    EXPECT_GE(OpenByName("gpib0"), 0);
    // Its board belongs to a driver service that is not installed.
    EXPECT_EQ(OpenByName("GPIB1"), -DRV_ERR_NO_BOARD);
    // Without a name the interface cannot be opened, not even by its key name.
    EXPECT_EQ(OpenByName("0002"), -DRV_ERR_UNKNOWN_NAME);
    EXPECT_EQ(OpenByName("IEEE0"), -DRV_ERR_UNKNOWN_NAME);
}

using LegacyNtDrovane = LegacyNtSystem;

TEST_F(LegacyNtDrovane, AnInterfaceOpensWhenTheHardwareStoreHasItsModel)
{
    LoadFixture("legacy_hardware.reg");
    LoadReg(Interfaces("Rumex\\\\0000", "Sotal\\\\0001"));
    EXPECT_GE(OpenByName("GPIB0"), 0);
    EXPECT_EQ(OpenByName("GPIB1"), -DRV_ERR_NO_BOARD);
}

using Win9xDrovane = Win9xSystem;

TEST_F(Win9xDrovane, AnInterfaceOpensWhenTheConfigurationManagerListsItsBoard)
{
    LoadFixture("win9x_devices.reg");
    LoadReg(Interfaces("ISAPNP\\\\KVX4691\\\\1A2B3C4D", "ISAPNP\\\\KVX4691\\\\FFFFFFFF"));
    EXPECT_GE(OpenByName("GPIB0"), 0);
    EXPECT_EQ(OpenByName("GPIB1"), -DRV_ERR_NO_BOARD);
}

} // namespace
