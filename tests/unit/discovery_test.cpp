// Finding and describing the boards on the Plug-and-Play families.
#include "system_fixture.h"

#include "config/hardware_store.h"
#include "discovery/board_discovery.h"
#include "discovery/device_registry.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> Keys(const HardwareKeyList& list)
{
    std::vector<std::string> keys;
    for (const char* slot : list.slots) {
        if (slot)
            keys.push_back(slot);
    }
    return keys;
}

// The keys FindBoards returns.
std::vector<std::string> FoundBoards(int capacity, int* result = nullptr)
{
    HardwareKeyList list;
    int count = FindBoards(list.slots, capacity);
    if (result)
        *result = count;
    return Keys(list);
}

std::string Described(const char* hardwareKey, int* slotCounter, int* result, unsigned capacity = 128)
{
    char buffer[128] = "(placeholder)";
    *result = DescribeBoard(hardwareKey, buffer, capacity, slotCounter);
    return buffer;
}

const char kWin9xPci[] = "pci\\ven_10e8&dev_8081\\BUS_00&DEV_0B&FUNC_00";
const char kWin9xPcCard[] = "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1";
const char kNt5Pci[] = "PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\4&1A2B3C&0&5808";

} // namespace

TEST(DeviceKeys, InstancePartAndPrefixes)
{
    char part[64];
    EXPECT_EQ(CopyInstancePart("PCI\\VEN_1\\BUS_00&DEV_0B", part, sizeof part), 1);
    EXPECT_STREQ(part, "BUS_00&DEV_0B");
    EXPECT_EQ(CopyInstancePart("PCI\\VEN_1", part, sizeof part), 0) << "one backslash only";
    std::string longKey = "ROOT\\KVX488\\" + std::string(64, '7');
    EXPECT_EQ(CopyInstancePart(longKey.c_str(), part, sizeof part), 0) << "must be shorter than 64";

    char text[8];
    EXPECT_EQ(PciBusDevText("BUS_00&DEV_0B&FUNC_00", text, sizeof text), 1);
    EXPECT_STREQ(text, "000B");
    EXPECT_EQ(PciBusDevText("BUS_00&DEV_0B&FUNC_00", text, 4), 0);
    EXPECT_EQ(PciBusDevText("4&1A2B3C&0&5808", text, sizeof text), 1);
    EXPECT_STREQ(text, "") << "missing parts stand as empty texts";
    EXPECT_EQ(PciBusDevText("DEV_1", text, sizeof text), 1);
    EXPECT_STREQ(text, "1");
}

TEST_F(Win9xSystem, FindsBoardsAmongDevnodesInEnumerationOrder)
{
    int result = 0;
    EXPECT_TRUE(FoundBoards(16, &result).empty());
    EXPECT_EQ(result, -1) << "no configuration manager data";

    LoadFixture("win9x_devices.reg");
    std::vector<std::string> expected = {kWin9xPci, "ISAPNP\\KVX4691\\1A2B3C4D", "ROOT\\KVX488\\0000", kWin9xPcCard,
                                         "ROOT\\KVX488\\0001"};
    EXPECT_EQ(FoundBoards(16, &result), expected) << "stored case kept; the unterminated binary key terminated";
    EXPECT_EQ(result, 5);
    EXPECT_EQ(FoundBoards(1, &result), std::vector<std::string>{kWin9xPci});
    EXPECT_EQ(result, 1);
}

TEST_F(Win9xSystem, DescribesEachBoardWithItsLocation)
{
    LoadFixture("win9x_devices.reg");
    int result = 0;
    EXPECT_EQ(Described(kWin9xPci, nullptr, &result), "Vexmoor PCI IEEE 488  (000B)");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Described("ISAPNP\\KVX4691\\1A2B3C4D", nullptr, &result), "Vexmoor ISA IEEE 488  (S/N:1A2B3C4D)");
    EXPECT_EQ(Described("ROOT\\KVX488\\0000", nullptr, &result), "Vexmoor IEEE 488  (I/O Port: 2E1)");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Described(kWin9xPcCard, nullptr, &result), "Vexmoor PC Card  (Slot:3)") << "from the allocation";
    EXPECT_EQ(Described("PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\2", nullptr, &result), "Vexmoor PC Card  (Slot:2)");
    EXPECT_EQ(Described("PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\3", nullptr, &result), "Vexmoor PC Card  (Slot:?)");
    EXPECT_EQ(result, 1);

    EXPECT_EQ(Described("USB\\VID_1234&PID_5678\\1", nullptr, &result), "Vexmoor USB IEEE 488");
    EXPECT_EQ(result, 0) << "unknown enumerator";
    EXPECT_EQ(Described("PCI\\NOT_THERE\\1", nullptr, &result), "(placeholder)");
    EXPECT_EQ(result, 0) << "no DeviceDesc: the caller's text stays";
    EXPECT_EQ(Described(kWin9xPci, nullptr, &result, 24), "Vexmoor PCI IEEE 488  (");
    EXPECT_EQ(result, 0) << "cut at the capacity";

    WORD port = 0;
    EXPECT_EQ(AllocatedIoPort(kWin9xPcCard, &port), 0) << "no I/O entry";
    EXPECT_EQ(AllocatedIoPort("root\\kvx488\\0000", &port), 1);
    EXPECT_EQ(port, 0x2E1);
}

TEST_F(Win9xSystem, AllocationWalkStaysInsideTheRecord)
{
    // An entry whose length points far past the bytes read, then one cut short.
    LoadReg("REGEDIT4\n[HKEY_DYN_DATA\\Config Manager\\Enum\\C0000001]\n"
            "\"HardWareKey\"=\"ROOT\\\\KVX488\\\\0001\"\n"
            "\"Allocation\"=hex:00,00,00,00,00,00,00,00,00,10,00,00,01,00,00,00\n"
            "[HKEY_DYN_DATA\\Config Manager\\Enum\\C0000002]\n"
            "\"HardWareKey\"=\"ROOT\\\\KVX488\\\\0002\"\n"
            "\"Allocation\"=hex:00,00,00,00,00,00,00,00,10,00,00,00,02,00,00,00,00,00,00,00,e1\n"
            "[HKEY_DYN_DATA\\Config Manager\\Enum\\" + std::string(20, 'D') + "]\n"
            "\"HardWareKey\"=\"ROOT\\\\KVX488\\\\0003\"\n"
            "\"Allocation\"=hex:00,00,00,00,00,00,00,00,10,00,00,00,02,00,00,00,00,00,00,00,e1,02,00,00,00,00,00,00\n");
    WORD port = 0;
    EXPECT_EQ(AllocatedIoPort("ROOT\\KVX488\\0001", &port), 0);
    EXPECT_EQ(AllocatedIoPort("ROOT\\KVX488\\0002", &port), 0);
    EXPECT_EQ(AllocatedIoPort("ROOT\\KVX488\\0003", &port), 0) << "devnode name too long for its buffer";

    char name[8];
    EXPECT_EQ(FindSubkeyByValue(HKEY_DYN_DATA, "Config Manager\\Enum", "HardWareKey", "root\\kvx488\\0002", name,
                                sizeof name),
              0)
        << "C0000002 does not fit 8 bytes";
    char wide[16];
    EXPECT_EQ(FindSubkeyByValue(HKEY_DYN_DATA, "Config Manager\\Enum", "HardWareKey", "root\\kvx488\\0002", wide,
                                sizeof wide),
              1);
    EXPECT_STREQ(wide, "C0000002");
}

TEST_F(Nt5System, FindsTheDevicesOfTheGroupsDriversInServiceAndValueOrder)
{
    EXPECT_TRUE(FoundBoards(16).empty()) << "no driver of the group";
    ScopedService first("QbVexA", "Vexmoor", kStubDriverPath);
    ScopedService second("QbVexB", "Vexmoor", kStubDriverPath);
    ScopedService other("QbOther", "Other", kStubDriverPath);
    ASSERT_TRUE(first.Created() && second.Created() && other.Created());
    LoadFixture("nt5_devices.reg");
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbOther\\Enum]\n"
            "\"Count\"=dword:00000001\n\"0\"=\"PCI\\\\VEN_9999\\\\1\"\n");

    std::vector<std::string> expected = {kNt5Pci, "PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1", "ROOT\\KVX488\\0000"};
    EXPECT_EQ(FoundBoards(16), expected);
    EXPECT_EQ(FoundBoards(2), std::vector<std::string>(expected.begin(), expected.begin() + 2));
}

// A "Count" of four thousand million in a driver's "Enum" key: discovery
// reads the values there are and returns (it used to try every number).
TEST_F(Nt5System, ADamagedDeviceCountEndsTheWalk)
{
    ScopedService driver("QbVexA", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(driver.Created());
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexA\\Enum]\n"
            "\"Count\"=dword:ffffffff\n\"0\"=\"ROOT\\\\KVX488\\\\0000\"\n\"2\"=\"ROOT\\\\KVX488\\\\0002\"\n");
    std::vector<std::string> expected = {"ROOT\\KVX488\\0000", "ROOT\\KVX488\\0002"};
    EXPECT_EQ(FoundBoards(16), expected);
}

TEST_F(Nt5System, DescribesBoardsWithLocationAndSlotCounter)
{
    LoadFixture("nt5_devices.reg");
    int result = 0;
    EXPECT_EQ(Described(kNt5Pci, nullptr, &result), "Vexmoor PCI IEEE 488  (PCI bus 0, device 11, function 0)");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Described("PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\BUS_02&DEV_0C&FUNC_00", nullptr, &result),
              "Vexmoor PCI IEEE 488  (020C)");
    int counter = 0;
    EXPECT_EQ(Described("PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\1", &counter, &result), "Vexmoor PC Card  (Slot:0)");
    EXPECT_EQ(Described("PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172\\2", &counter, &result), "Vexmoor PC Card  (Slot:1)");
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(Described("ROOT\\KVX488\\0000", nullptr, &result), "Vexmoor IEEE 488");
    EXPECT_EQ(result, 1) << "no dynamic data here: no port, an empty suffix";
}

TEST_F(Nt5System, LongestSuffixIsNeitherCutNorOverflowing)
{
    std::string location(63, 'L');
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\PCI\\"
            "VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\X]\n\"DeviceDesc\"=\"D\"\n\"LocationInformation\"=\"" +
            location + "\"\n");
    int result = 0;
    EXPECT_EQ(Described("PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\X", nullptr, &result),
              "D  (" + location + ")");
    EXPECT_EQ(result, 1);
}

TEST_F(Win9xSystem, InstalledBoardsAreTheDiscoveredOnes)
{
    EXPECT_EQ(ListInstalledBoards().count, -1) << "no configuration manager data";
    LoadFixture("win9x_devices.reg");
    HardwareKeyList boards = ListInstalledBoards();
    EXPECT_EQ(boards.count, 5);
    EXPECT_EQ(Keys(boards), FoundBoards(kHardwareKeySlots));

    HardwareKeyList moved(std::move(boards));
    EXPECT_EQ(moved.count, 5);
    EXPECT_EQ(Keys(moved).size(), 5u);
    EXPECT_TRUE(Keys(boards).empty()) << "the slots went with the move, released once";
}

TEST_F(LegacyNtSystem, InstalledBoardsAreTheHardwareStoresModels)
{
    EXPECT_EQ(ListInstalledBoards().count, -1) << "no hardware store";
    LoadFixture("legacy_hardware.reg");
    HardwareKeyList boards = ListInstalledBoards();
    EXPECT_EQ(boards.count, 2);
    EXPECT_EQ(Keys(boards), (std::vector<std::string>{"Quoran", "Rumex"}));
}

TEST_F(LegacyNtSystem, FindsNothingAndLeavesTheListAlone)
{
    LoadFixture("win9x_devices.reg");
    char* list[kHardwareKeySlots] = {};
    char marker[] = "untouched";
    list[0] = marker;
    EXPECT_EQ(FindBoards(list, kHardwareKeySlots), 0);
    EXPECT_EQ(list[0], marker);
    EXPECT_EQ(EnumRootPath(), nullptr);
    char buffer[32] = "(placeholder)";
    EXPECT_EQ(DescribeBoard("ROOT\\KVX488\\0000", buffer, sizeof buffer, nullptr), 0);
    EXPECT_STREQ(buffer, "(placeholder)");
}
