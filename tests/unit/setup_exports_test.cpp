// The setup exports on each family: initialising the configuration,
// describing board models and handing interfaces to the driver.
#include "system_fixture.h"

#include "config/config_nodes.h"
#include "setup/driver_handover.h"
#include "setup/setup_exports.h"
#include "service/driver_service.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Node(const char* node)
{
    return std::string("Software\\Korvex\\IEEE\\") + node;
}

std::string Service(const std::string& path)
{
    return "System\\CurrentControlSet\\Services\\" + path;
}

std::vector<std::string> Subkeys(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

} // namespace

TEST_F(Nt5System, InitUserConfigBindsDiscoveredBoardsAndKeepsUserChanges)
{
    ScopedService first("QbVexA", "Vexmoor", kStubDriverPath);
    ScopedService second("QbVexB", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(first.Created() && second.Created());
    LoadFixture("nt5_devices.reg");

    RegInitUserConfig();
    EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE"),
              (std::vector<std::string>{"0000", "0001", "0002", "0003"}));
    const char* boards[] = {"PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\4&1A2B3C&0&5808",
                            "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1", "ROOT\\KVX488\\0000", ""};
    const char* devices[] = {"Wave", "Wave1", "Wave2", "Wave3"};
    for (int i = 0; i < 4; ++i) {
        std::string node = "000" + std::to_string(i);
        RegKey key = Open(HKEY_CURRENT_USER, Node(node.c_str()).c_str());
        ASSERT_TRUE(key.Get()) << node;
        EXPECT_EQ(ReadString(key.Get(), "UserName"), "IEEE" + std::to_string(i));
        EXPECT_EQ(ReadString(key.Get(), "HardwareKey"), boards[i]) << node;
        EXPECT_EQ(ValueCount(key.Get()), 13) << node;
        EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, Node(node.c_str())), std::vector<std::string>{"0000"});
        RegKey device = Open(key.Get(), "0000");
        EXPECT_EQ(ReadString(device.Get(), "UserName"), devices[i]);
        EXPECT_EQ(ReadDword(device.Get(), "SecondaryAddress"), 255u);
    }

    // The user renames 0000, adds a device to it, rebinds 0001 and loses a value of a device.
    LoadReg("REGEDIT4\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"Bench\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"UserName\"=\"Scope\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"HardwareKey\"=\"\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002\\0000]\n\"Timeout\"=-\n\"PrimaryAddress\"=dword:00000007\n");
    RegInitUserConfig();
    RegKey first0 = Open(HKEY_CURRENT_USER, Node("0000").c_str());
    EXPECT_EQ(ReadString(first0.Get(), "UserName"), "Bench");
    EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, Node("0000")), (std::vector<std::string>{"0000", "0001"}));
    RegKey added = Open(HKEY_CURRENT_USER, Node("0000\\0001").c_str());
    EXPECT_EQ(ReadString(added.Get(), "UserName"), "Scope");
    EXPECT_EQ(ReadDword(added.Get(), "Timeout"), 10000u) << "the added device is completed";
    RegKey unbound = Open(HKEY_CURRENT_USER, Node("0001").c_str());
    EXPECT_EQ(ReadString(unbound.Get(), "HardwareKey"), "") << "an existing binding is never changed";
    RegKey completed = Open(HKEY_CURRENT_USER, Node("0002\\0000").c_str());
    EXPECT_EQ(ReadDword(completed.Get(), "Timeout"), 10000u);
    EXPECT_EQ(ReadDword(completed.Get(), "PrimaryAddress"), 7u);
}

TEST_F(Win9xSystem, InitUserConfigBindsDevnodeBoards)
{
    LoadFixture("win9x_devices.reg");
    RegInitUserConfig();
    RegKey first = Open(HKEY_CURRENT_USER, Node("0000").c_str());
    EXPECT_EQ(ReadString(first.Get(), "HardwareKey"), "pci\\ven_10e8&dev_8081\\BUS_00&DEV_0B&FUNC_00");
    RegKey fourth = Open(HKEY_CURRENT_USER, Node("0003").c_str());
    EXPECT_EQ(ReadString(fourth.Get(), "HardwareKey"), "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1");
    EXPECT_EQ(RegInitHdwrConfigNT("Rumex", "Rumex board", "rumex"), 0) << "Plug and Play: no hardware store";
    EXPECT_FALSE(Open(HKEY_LOCAL_MACHINE, "Software\\Korvex").Get());
}

TEST_F(Win9xSystem, InitUserConfigWithoutDynamicDataLeavesInterfacesUnbound)
{
    RegInitUserConfig();
    RegKey first = Open(HKEY_CURRENT_USER, Node("0000").c_str());
    EXPECT_EQ(ReadString(first.Get(), "HardwareKey"), "");
    EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE").size(), 4u);
}

TEST_F(LegacyNtSystem, HardwareStoreDescribesModelsWithoutOverwriting)
{
    EXPECT_EQ(RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex"), 1);
    EXPECT_EQ(RegInitHdwrConfigNT("rumex", "Rumex ISA board", "rumex"), 1);
    EXPECT_EQ(RegInitHdwrConfigNT("Quoran", "Quoran PCI board", "quoran"), 1);
    RegKey sotal = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Sotal");
    ASSERT_TRUE(sotal.Get());
    EXPECT_EQ(ReadString(sotal.Get(), nullptr), "Sotal ISA board");
    EXPECT_EQ(ReadString(sotal.Get(), "Driver"), "rumex");
    for (const char* instance : {"0000", "0001", "0002", "0003"}) {
        RegKey key = Open(sotal.Get(), instance);
        ASSERT_TRUE(key.Get()) << instance;
        EXPECT_EQ(ReadDword(key.Get(), "PortAddr"), 0x2E1u);
        EXPECT_EQ(ReadDword(key.Get(), "IrqLevel"), 5u);
        EXPECT_EQ(ReadDword(key.Get(), "IrqNone"), 0u);
        EXPECT_EQ(ReadDword(key.Get(), "DmaChan"), 1u);
        EXPECT_EQ(ReadDword(key.Get(), "DmaNone"), 0u);
        EXPECT_EQ(ValueCount(key.Get()), 5);
    }
    RegKey rumex = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Rumex\\0002");
    EXPECT_EQ(ReadDword(rumex.Get(), "DmaChan"), 5u);
    RegKey quoran = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Quoran\\0003");
    EXPECT_EQ(ReadDword(quoran.Get(), "HardwareInst"), 0u);
    EXPECT_EQ(ValueCount(quoran.Get()), 1);

    // Setup runs again after the user moved the board: nothing is overwritten.
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal\\0000]\n"
            "\"PortAddr\"=dword:00000300\n\"DmaNone\"=\"1\"\n");
    EXPECT_EQ(RegInitHdwrConfigNT("Sotal", "Another text", "other"), 1);
    RegKey moved = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Sotal\\0000");
    EXPECT_EQ(ReadDword(moved.Get(), "PortAddr"), 0x300u);
    EXPECT_EQ(ReadString(moved.Get(), "DmaNone"), "1") << "another type counts as present";
    EXPECT_EQ(ReadString(sotal.Get(), nullptr), "Sotal ISA board");
    EXPECT_EQ(ReadString(sotal.Get(), "Driver"), "rumex");

    EXPECT_EQ(RegInitHdwrConfigNT("Vinor", "", "x"), 0);
    EXPECT_EQ(RegInitHdwrConfigNT(nullptr, "text", "x"), 0);
    EXPECT_FALSE(Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Vinor").Get()) << "nothing written";
    EXPECT_EQ(RegInitHdwrConfigNT("Vinor", "Vinor board", nullptr), 1) << "no driver text to record";
    RegKey vinor = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Vinor");
    EXPECT_FALSE(HasValue(vinor.Get(), "Driver"));
}

TEST_F(LegacyNtSystem, InitUserConfigBindsModelsOfTheHardwareStore)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Rumex", "Rumex ISA board", "rumex"), 1);
    ASSERT_EQ(RegInitHdwrConfigNT("Quoran", "Quoran PCI board", "quoran"), 1);
    RegInitUserConfig();
    const char* expected[] = {"Quoran\\0000", "Rumex\\0001", "", ""};
    for (int i = 0; i < 4; ++i) {
        std::string node = "000" + std::to_string(i);
        RegKey key = Open(HKEY_CURRENT_USER, Node(node.c_str()).c_str());
        EXPECT_EQ(ReadString(key.Get(), "HardwareKey"), expected[i]) << node;
    }
}

TEST_F(LegacyNtSystem, DriverConfigIsRebuiltFromTheInterfaces)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex"), 1);
    RegInitUserConfig();
    EXPECT_EQ(RegInitDrvrConfigNT(), 0) << "no driver service installed";
    ASSERT_EQ(InstallDriverNT("Rumex", nullptr, kStubDriverPath), 1);
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal\\0000]\n"
            "\"Extra\"=hex(7):61,00,00\n");

    EXPECT_EQ(RegInitDrvrConfigNT(), 0) << "0001 has no board";
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, Service("Rumex")), std::vector<std::string>{"0"});
    RegKey parameters = Open(HKEY_LOCAL_MACHINE, Service("Rumex\\0").c_str());
    ASSERT_TRUE(parameters.Get());
    EXPECT_EQ(ReadString(parameters.Get(), "UserName"), "IEEE0");
    EXPECT_EQ(ReadDword(parameters.Get(), "PrimaryAddress"), 21u);
    EXPECT_EQ(ReadDword(parameters.Get(), "SystemController"), 1u);
    EXPECT_EQ(ReadDword(parameters.Get(), "PortAddr"), 0x2E1u);
    EXPECT_EQ(ReadDword(parameters.Get(), "DmaChan"), 1u);
    EXPECT_EQ(ValueCount(parameters.Get()), 9) << "three interface values, five resources and Extra";

    // Only the bound interface remains: the next run rebuilds "0" and succeeds.
    for (const char* node : {"0001", "0002", "0003"}) {
        LoadReg("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\" + std::string(node) + "]\n");
    }
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"Renamed\"\n");
    EXPECT_EQ(RegInitDrvrConfigNT(), 1);
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, Service("Rumex")), std::vector<std::string>{"0"});
    RegKey rebuilt = Open(HKEY_LOCAL_MACHINE, Service("Rumex\\0").c_str());
    EXPECT_EQ(ReadString(rebuilt.Get(), "UserName"), "Renamed");
}

// Keys beside the nodes that are not nodes hide none of them: the names
// that do not fit a node name sort between the interfaces.
TEST_F(LegacyNtSystem, KeysThatAreNotNodesAreSteppedOver)
{
    ASSERT_EQ(InstallDriverNT("Zyrtec", nullptr, kStubDriverPath), 1);
    std::string reg = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Zyrtec\\0000]\n";
    for (const char* node : {"0000", "0000x", "0001", "00015", "zz"}) {
        reg += "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\" + std::string(node) + "]\n\"UserName\"=\"" + node +
               "\"\n\"HardwareKey\"=\"Zyrtec\\\\0000\"\n\"PrimaryAddress\"=dword:00000003\n"
               "\"SystemController\"=dword:00000001\n";
    }
    LoadReg(reg);
    RegKey root = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE");
    EXPECT_EQ(ConfigNodeNames(root.Get()), (std::vector<std::string>{"0000", "0001"}));

    EXPECT_EQ(RegInitDrvrConfigNT(), 1);
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, Service("Zyrtec")), (std::vector<std::string>{"0", "1"}));
    RegKey second = Open(HKEY_LOCAL_MACHINE, Service("Zyrtec\\1").c_str());
    EXPECT_EQ(ReadString(second.Get(), "UserName"), "0001") << "past the key that does not fit";
}

TEST_F(LegacyNtSystem, UnknownModelsServiceKeysAccumulate)
{
    ASSERT_EQ(InstallDriverNT("Zyrtec", nullptr, kStubDriverPath), 1);
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
            "\"UserName\"=\"IEEE0\"\n\"HardwareKey\"=\"Zyrtec\\\\0000\"\n"
            "\"PrimaryAddress\"=dword:00000003\n\"SystemController\"=dword:00000001\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Zyrtec\\0000]\n\"HardwareInst\"=dword:00000000\n");
    EXPECT_EQ(RegInitDrvrConfigNT(), 1);
    EXPECT_EQ(RegInitDrvrConfigNT(), 1);
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, Service("Zyrtec")), (std::vector<std::string>{"0", "1"}));
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"HardwareKey\"=\"\\\\\\\\\"\n");
    EXPECT_EQ(RegInitDrvrConfigNT(), 0) << "backslashes only";
}

TEST_F(LegacyNtSystem, HandOverCountsOnlyInterfacesHandedOverWhole)
{
    ASSERT_EQ(RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex"), 1);
    RegInitUserConfig();
    std::string unbound, failed;
    EXPECT_EQ(RegInitDrvrConfigNT(), 0);
    EXPECT_FALSE(HandOverEndedAtUnbound(unbound, failed)) << "no driver service: nothing handed over";
    EXPECT_EQ(failed, "0000");

    ASSERT_EQ(InstallDriverNT("Rumex", nullptr, kStubDriverPath), 1);
    EXPECT_EQ(RegInitDrvrConfigNT(), 0);
    EXPECT_TRUE(HandOverEndedAtUnbound(unbound, failed)) << "failed at " << failed;
    EXPECT_EQ(unbound, "0001") << "the expected end: the first interface without a board";
    EXPECT_TRUE(InterfaceHandedOverWhole("0000"));

    // The board's instance key is gone: the copy fails after "UserName" was written.
    LoadReg("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal\\0000]\n");
    EXPECT_EQ(RegInitDrvrConfigNT(), 0);
    RegKey partial = Open(HKEY_LOCAL_MACHINE, Service("Rumex\\0").c_str());
    EXPECT_EQ(ReadString(partial.Get(), "UserName"), "IEEE0") << "the half-made key the hand-over leaves";
    EXPECT_FALSE(HandOverEndedAtUnbound(unbound, failed));
    EXPECT_EQ(failed, "0000");
    EXPECT_EQ(unbound, "");
}

TEST_F(LegacyNtSystem, HandOverJudgesTheLatestKeyOfAnInterface)
{
    ASSERT_EQ(InstallDriverNT("Zyrtec", nullptr, kStubDriverPath), 1);
    // What a failed run leaves beside an earlier whole one: "1" lacks the
    // values of the instance key and has another address.
    const std::string earlier = "REGEDIT4\n"
                                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
                                "\"UserName\"=\"IEEE0\"\n\"HardwareKey\"=\"Zyrtec\\\\0000\"\n"
                                "\"PrimaryAddress\"=dword:00000003\n\"SystemController\"=dword:00000001\n"
                                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n"
                                "\"UserName\"=\"IEEE1\"\n\"HardwareKey\"=\"\"\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Zyrtec\\0000]\n"
                                "\"HardwareInst\"=dword:00000000\n\"Tag\"=hex(1):61,62\n"
                                "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Zyrtec\\0]\n"
                                "\"UserName\"=\"IEEE0\"\n\"PrimaryAddress\"=dword:00000003\n"
                                "\"SystemController\"=dword:00000001\n"
                                "\"HardwareInst\"=dword:00000000\n\"Tag\"=hex(1):61,62\n"
                                "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Zyrtec\\1]\n"
                                "\"UserName\"=\"IEEE0\"\n\"PrimaryAddress\"=dword:00000004\n"
                                "\"SystemController\"=dword:00000001\n";
    LoadReg(earlier);
    std::string unbound, failed;
    EXPECT_FALSE(HandOverEndedAtUnbound(unbound, failed)) << "the earlier whole key does not count";
    EXPECT_EQ(failed, "0000");

    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Zyrtec\\1]\n"
            "\"PrimaryAddress\"=dword:00000003\n\"HardwareInst\"=dword:00000000\n\"Tag\"=hex(1):61,62,00\n");
    EXPECT_FALSE(HandOverEndedAtUnbound(unbound, failed)) << "a copied text must keep its bytes";
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Zyrtec\\1]\n"
            "\"Tag\"=hex(1):61,62\n");
    EXPECT_TRUE(HandOverEndedAtUnbound(unbound, failed)) << "failed at " << failed;
    EXPECT_EQ(unbound, "0001");
}

TEST_F(Nt5System, EnumInterfaceNamesTheInterfacesInOrder)
{
    char buffer[16] = "untouched";
    EXPECT_EQ(EnumInterface(0, buffer, sizeof buffer), 0) << "no configuration";
    EXPECT_STREQ(buffer, "untouched");
    RegInitUserConfig();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(EnumInterface(i, buffer, sizeof buffer), 1);
        EXPECT_EQ(std::string(buffer), "IEEE" + std::to_string(i));
    }
    std::strcpy(buffer, "untouched");
    EXPECT_EQ(EnumInterface(4, buffer, sizeof buffer), 0);
    EXPECT_EQ(EnumInterface(0, buffer, 3), 0) << "IEEE0 does not fit 3 bytes";
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(EnumInterface(0, buffer, 6), 1);
    EXPECT_EQ(EnumInterface(0, nullptr, 16), 0);
    EXPECT_EQ(EnumInterface(0, buffer, 0), 0);
    EXPECT_EQ(EnumInterface(-1, buffer, 16), 0);

    EXPECT_EQ(ClassInstall(0, nullptr, nullptr), 0xE000020Eu);
    EXPECT_EQ(ClassInstall(0x19, buffer, buffer), 0xE000020Eu);
}
