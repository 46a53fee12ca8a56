// The tool's address forms: any interface name, a secondary address, and the
// MATLAB commands' rule kept for the addresses it reads the same; check names
// the addresses the bus driver library refuses.
#include "cli/bus_address.h"
#include "cli/check_command.h"
#include "cli/console_command.h"
#include "cli/transfer_command.h"
#include "drovane/drovane.h"
#include "present_boards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

TEST(BusAddress, ReadsAnyInterfaceNameWithEitherSeparatorAndASecondary)
{
    const struct {
        const char* text;
        const char* name;
        int primary;
        int secondary;
    } kForms[] = {
        {"IEEE0:22", "IEEE0", 22, DRV_NO_SECONDARY},
        {"LAN0,5", "LAN0", 5, DRV_NO_SECONDARY},
        {"GPIB12:0:30", "GPIB12", 0, 30},
        {"x,30,7", "x", 30, 7},
        {"My Bench:09", "My Bench", 9, DRV_NO_SECONDARY},
    };
    for (const auto& form : kForms) {
        std::optional<BusAddress> address = ParseBusAddress(form.text);
        ASSERT_TRUE(address) << form.text;
        EXPECT_EQ(address->interfaceName, form.name) << form.text;
        EXPECT_EQ(address->primary, form.primary) << form.text;
        EXPECT_EQ(address->secondary, form.secondary) << form.text;
    }
}

TEST(BusAddress, RefusesTextOfNoFormAndAddressesBeyondTheBus)
{
    for (const char* text : {"", "LAN0", ":22", "LAN0:", "LAN0:31", "LAN0:22:31", "LAN0:-1", "LAN0:+5", "LAN0: 5",
                             "LAN0:5x", "LAN0:005", "LAN0:5:", "LAN0:5:6:7", "LAN0:5::6"})
        EXPECT_FALSE(ParseBusAddress(text)) << '"' << text << '"';
}

TEST(BusAddress, LeavesToTheMatlabRuleWhatItReadsTheSame)
{
    // Five-character names without a secondary, SICL addresses and text of no
    // form go as busquery takes them.
    for (const char* text : {"IEEE0:22", "IEEE0,300", "IEEE0", "hpib7,22", "hp:22:3", "IEEE0,-234"})
        EXPECT_FALSE(PartsBeyondMatlabRule(text)) << text;
    std::optional<BusAddress> other = PartsBeyondMatlabRule("LAN0:22");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->interfaceName, "LAN0");
    std::optional<BusAddress> secondary = PartsBeyondMatlabRule("IEEE0:22:4");
    ASSERT_TRUE(secondary);
    EXPECT_EQ(secondary->secondary, 4);
}

// An interface named LAN0 on the present board, and devices at addresses
// the applet stores but the bus driver library refuses.
class RenamedInterface : public PresentBoards {
protected:
    void SetUp() override
    {
        PresentBoards::SetUp();
        LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"LAN0\"\n"
                "\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\4&1A2B3C&0&5808\"\n"
                "\"PrimaryAddress\"=dword:00000015\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0000]\n\"UserName\"=\"Meter\"\n"
                "\"PrimaryAddress\"=dword:00000016\n\"SecondaryAddress\"=dword:000000ff\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"UserName\"=\"Odd\"\n"
                "\"PrimaryAddress\"=dword:00000005\n\"SecondaryAddress\"=dword:0000001f\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0002]\n\"UserName\"=\"Far\"\n"
                "\"PrimaryAddress\"=dword:00000028\n\"SecondaryAddress\"=dword:000000ff\n");
    }
};

TEST_F(RenamedInterface, QueryAndConsoleReachAnInterfaceOfAnyName)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(TransferCommand("LAN0:22", "*IDN?", true, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(TransferCommand("LAN0,5", "hello", false, out, err), 0) << err.str();

    out.str("");
    EXPECT_EQ(TransferCommand("LAN1:22", "*IDN?", true, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("there is no interface named LAN1; the configured interfaces are: LAN0"),
              std::string::npos)
        << err.str();

    std::istringstream in("*IDN?\nMEAS:VOLT?\n");
    std::ostringstream consoleErr;
    EXPECT_EQ(ConsoleCommand("LAN0:22", 1000, ConsoleStreams{in, out, consoleErr, false}), 0) << consoleErr.str();
    EXPECT_EQ(out.str(), "Simbus,Multimeter,0,1.0\n+1.234500E+00\n");
}

TEST_F(RenamedInterface, CheckNamesTheAddressesTheLibraryRefuses)
{
    std::vector<std::string> problems = FindProblems();
    auto said = [&](const std::string& start) {
        return std::count_if(problems.begin(), problems.end(),
                             [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(said("0000\\0001 (Odd): the bus driver library refuses secondary address 31 (it takes 0 to 30)"), 1);
    EXPECT_EQ(said("0000\\0002 (Far): the bus driver library refuses primary address 40 (it takes 0 to 30)"), 1);
    EXPECT_EQ(said("0000\\0000 (Meter)"), 0);
    // What check says is so: the library refuses the open.
    DrvTermRecord record = {1, 0, 1, 13, {0, 0, 0}};
    EXPECT_EQ(DrvOpenDevice("LAN0", "Odd", 5, 31, &record, &record, 1000), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_ARGUMENT);
}

} // namespace
