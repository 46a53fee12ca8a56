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

// What a program lists: each position once, the interfaces that open by
// name with their node numbers, their devices with addresses on the bus.
TEST_F(DrovaneNames, InterfacesAndDevicesAreListedByPosition)
{
    int number = -1;
    char name[32];
    for (int index = 0; index < 4; ++index) {
        ASSERT_EQ(DrvInterfaceAt(index, &number, name, sizeof name), 1) << index;
        EXPECT_EQ(number, index);
        EXPECT_EQ(std::string(name), "IEEE" + std::to_string(index));
    }
    EXPECT_EQ(DrvInterfaceAt(4, &number, name, sizeof name), 0);
    int primary = -1;
    int secondary = -1;
    EXPECT_EQ(DrvDeviceAt(3, 0, &primary, &secondary, name, sizeof name), 0) << "no configuration, no devices";
    DrvPrepare(-1, 0);
    EXPECT_EQ(DrvDeviceAt(4, 0, &primary, &secondary, name, sizeof name), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_UNKNOWN_NAME);

    const std::string root = "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\";
    LoadReg(Interfaces("", "") + root + "0000\\0001]\n\"UserName\"=\"Meter\"\n\"PrimaryAddress\"=dword:00000016\n" +
            root + "0000\\0002]\n\"PrimaryAddress\"=dword:00000005\n\"SecondaryAddress\"=dword:00000003\n" + root +
            "0000\\0003]\n\"UserName\"=\"Lost\"\n" + root +
            "0000\\0004]\n\"UserName\"=\"Far\"\n\"PrimaryAddress\"=dword:0000001f\n" + root +
            "0000\\0005]\n\"UserName\"=\"Odd\"\n\"PrimaryAddress\"=dword:00000007\n\"SecondaryAddress\"=dword:00000060\n" +
            root + "000A]\n\"UserName\"=\"A rather long interface name\"\n");
    struct Expected {
        int number;
        const char* name;
    } interfaces[] = {{0, "GPIB0"}, {1, "GPIB1"}, {10, "A rather long interface name"}};
    for (int index = 0; index < 3; ++index) {
        ASSERT_EQ(DrvInterfaceAt(index, &number, name, sizeof name), 1) << index;
        EXPECT_EQ(number, interfaces[index].number);
        EXPECT_STREQ(name, interfaces[index].name);
    }
    EXPECT_EQ(DrvInterfaceAt(3, &number, name, sizeof name), 0) << "the node without a name opens by none";
    ASSERT_EQ(DrvInterfaceAt(2, &number, name, 5), 1);
    EXPECT_STREQ(name, "A ra") << "a name is cut to the buffer, ended with NUL";

    struct Device {
        const char* name;
        int primary;
        int secondary;
    } devices[] = {{"Meter", 22, DRV_NO_SECONDARY}, {"0002", 5, 3}, {"Odd", 7, DRV_NO_SECONDARY}};
    for (int index = 0; index < 3; ++index) {
        ASSERT_EQ(DrvDeviceAt(0, index, &primary, &secondary, name, sizeof name), 1) << index;
        EXPECT_STREQ(name, devices[index].name);
        EXPECT_EQ(primary, devices[index].primary) << devices[index].name;
        EXPECT_EQ(secondary, devices[index].secondary) << devices[index].name;
    }
    EXPECT_EQ(DrvDeviceAt(0, 3, &primary, &secondary, name, sizeof name), 0)
        << "devices without an address on the bus are left out";
    EXPECT_EQ(DrvDeviceAt(10, 0, &primary, &secondary, name, sizeof name), 0);
    DrvPrepare(-1, 0);
    EXPECT_EQ(DrvDeviceAt(2, 0, &primary, &secondary, name, sizeof name), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_UNKNOWN_NAME);

    DrvPrepare(-1, 0);
    EXPECT_EQ(DrvInterfaceAt(0, nullptr, name, sizeof name), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvInterfaceAt(-1, &number, name, sizeof name), -1);
    EXPECT_EQ(DrvDeviceAt(0, 0, &primary, &secondary, name, 0), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_ARGUMENT);
}
