// quenbus scan on the default simulated bench.
#include "cli/found_devices.h"
#include "cli/scan_command.h"
#include "registry_test_fixture.h"
#include "present_boards.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using ScanTest = RegistryTest;

TEST_F(ScanTest, FindsEveryInstrumentOfTheDefaultBenchAtItsAddressTheSilentOneToo)
{
    std::ostringstream progress;
    std::vector<FoundInstrument> found = ScanBus("IEEE0", 21, ScanOptions(), progress);
    ASSERT_EQ(found.size(), 10u);
    const int addresses[] = {5, 9, 12, 13, 14, 15, 16, 17, 18, 22};
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].primary, addresses[i]);
        EXPECT_EQ(found[i].secondary, 255);
    }
    EXPECT_EQ(found[0].identification, "*IDN?");  // the echo
    EXPECT_EQ(found[1].identification, "");       // the silent one listens
    EXPECT_EQ(found[2].identification.size(), 255u);
    EXPECT_EQ(found[3].identification, "AB");
    EXPECT_EQ(found[4].identification, "Simbus,Block,0,1.0");
    EXPECT_EQ(found[5].identification, "Simbus,Indefinite,0,1.0");
    EXPECT_EQ(found[6].identification, "Simbus,Block,0,1.0");
    EXPECT_EQ(found[7].identification, "Simbus,Readings,0,1.0");
    EXPECT_EQ(found[8].identification, "Simbus,Store,0,1.0");
    EXPECT_EQ(found[9].identification, "Simbus,Multimeter,0,1.0");
    EXPECT_NE(progress.str().find("scanning IEEE0: address 30 of 30"), std::string::npos);
    EXPECT_EQ(progress.str().find("address 21 "), std::string::npos);
}

TEST_F(ScanTest, SkipsTheInterfacesOwnAddressAndTriesSecondaryAddressesOnRequest)
{
    std::ostringstream progress;
    ScanOptions options;
    options.secondary = true;
    std::vector<FoundInstrument> found = ScanBus("IEEE1", 22, options, progress);
    ASSERT_EQ(found.size(), 9u);
    for (const FoundInstrument& instrument : found) {
        EXPECT_NE(instrument.primary, 22);
        // The bench's instruments have no secondary address.
        EXPECT_EQ(instrument.secondary, 255);
    }
}

TEST_F(ScanTest, PrintsATableAndRefusesAnUnknownInterface)
{
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(ScanCommand("IEEE2", ScanOptions(), out, err), 0);
    EXPECT_NE(out.str().find("9        none       (listens, no answer)\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\n10 found on IEEE2 (its own address 21 not tried)\n"), std::string::npos) << out.str();

    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"GPIB0\"\n");
    out.str("");
    err.str("");
    EXPECT_EQ(ScanCommand("IEEE2", ScanOptions(), out, err), 1);
    EXPECT_EQ(err.str(), "quenbus: the bus driver library cannot open IEEE2 (unknown name); the configured "
                         "interfaces are: GPIB0\n");
    EXPECT_EQ(out.str(), "");
}

TEST(FoundDevices, AreNamedFromTheModelFieldOfTheIdentification)
{
    EXPECT_EQ(DeviceNameFromIdentification("Simbus,Multimeter,0,1.0"), "Multimeter");
    EXPECT_EQ(DeviceNameFromIdentification(" Maker ,  Scope X ,1,2"), "Scope X");
    EXPECT_EQ(DeviceNameFromIdentification("Maker,Mo\x01" "del\t"), "Model");
    for (const char* unnamed : {"", "AB", "Maker,,1", "Maker, \x02 ,1"})
        EXPECT_EQ(DeviceNameFromIdentification(unnamed), "New Device") << unnamed;
}

// IEEE0 on a present board, with devices at the echo's address 5 and the
// long block's 16.
class ScanAddTest : public PresentBoards {
protected:
    void SetUp() override
    {
        PresentBoards::SetUp();
        LoadReg("REGEDIT4\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
                "\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\4&1A2B3C&0&5808\"\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0000]\n\"UserName\"=\"Multimeter\"\n"
                "\"PrimaryAddress\"=dword:00000010\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0003]\n\"UserName\"=\"Echo\"\n"
                "\"PrimaryAddress\"=dword:00000005\n\"Timeout\"=dword:000004d2\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"IEEE1\"\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001\\0000]\n\"UserName\"=\"new device\"\n");
    }

    std::string Device(const char* node)
    {
        RegKey key = Open(HKEY_CURRENT_USER, (std::string("Software\\Korvex\\IEEE\\0000\\") + node).c_str());
        if (!key.Get())
            return "<no node>";
        auto number = [&key](const char* name) {
            DWORD value = ReadDword(key.Get(), name);
            return value == 0xDEADBEEF ? std::string("absent") : std::to_string(value);
        };
        return ReadString(key.Get(), "UserName") + " at " + number("PrimaryAddress") + "/" +
               number("SecondaryAddress") + ", " + number("Timeout") + " ms";
    }
};

TEST_F(ScanAddTest, AddsANodeForEachNewInstrumentByTheAppletsRulesAndKeepsExistingDevices)
{
    ScanOptions options;
    options.add = true;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(ScanCommand("IEEE0", options, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("kept   Echo (node 0000\\0003) at address 5, secondary none\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("kept   Multimeter (node 0000\\0000) at address 16, secondary none\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("added  Multimeter (2) (node 0000\\000B) at address 22, secondary none\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(Device("0003"), "Echo at 5/absent, 1234 ms") << "an existing device is never changed";
    EXPECT_EQ(Device("0004"), "New Device (2) at 9/255, 10000 ms") << "the name is free in the whole tree";
    EXPECT_EQ(Device("0005"), "New Device (3) at 12/255, 10000 ms");
    EXPECT_EQ(Device("0006"), "New Device (4) at 13/255, 10000 ms");
    EXPECT_EQ(Device("0007"), "Block at 14/255, 10000 ms");
    EXPECT_EQ(Device("0008"), "Indefinite at 15/255, 10000 ms");
    EXPECT_EQ(Device("0009"), "Readings at 17/255, 10000 ms");
    EXPECT_EQ(Device("000A"), "Store at 18/255, 10000 ms");
    EXPECT_EQ(Device("000B"), "Multimeter (2) at 22/255, 10000 ms");

    // A second scan finds every instrument a device already has.
    out.str("");
    ASSERT_EQ(ScanCommand("IEEE0", options, out, err), 0) << err.str();
    EXPECT_EQ(out.str().find("added"), std::string::npos) << out.str();
    EXPECT_EQ(Device("000C"), "<no node>");
}

TEST_F(ScanTest, AddNeedsTheInterfaceInTheConfiguration)
{
    ScanOptions options;
    options.add = true;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ScanCommand("IEEE0", options, out, err), 1);
    EXPECT_EQ(err.str(), "quenbus: IEEE0 has no node in the configuration to add devices to; nothing added "
                         "(quenbus setup install makes one)\n");
}

} // namespace
