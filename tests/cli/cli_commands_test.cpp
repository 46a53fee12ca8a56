// quenbus list and check on seeded configurations, natively and under Wine.
#include "cli/check_command.h"
#include "cli/list_command.h"
#include "cli/transfer_command.h"
#include "setup/setup_exports.h"
#include "present_boards.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class Nt5Bench : public PresentBoards {
protected:
    void SetUp() override
    {
        PresentBoards::SetUp();
        LoadReg(FileText(QUENBUS_CLI_FIXTURE));
    }
};

const nlohmann::json& Named(const nlohmann::json& list, const std::string& name)
{
    auto found = std::find_if(list.begin(), list.end(), [&](const nlohmann::json& item) { return item["name"] == name; });
    static const nlohmann::json none;
    return found == list.end() ? none : *found;
}

TEST_F(Nt5Bench, ListJsonShowsInterfacesBoardsDriverAnswersAndDevices)
{
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(ListCommand(true, out, err), 0) << err.str();
    nlohmann::json document = nlohmann::json::parse(out.str());
    const nlohmann::json& interfaces = document["interfaces"];
    ASSERT_EQ(interfaces.size(), 3u);

    const nlohmann::json& ieee0 = Named(interfaces, "IEEE0");
    EXPECT_EQ(ieee0["node"], "0000");
    EXPECT_EQ(ieee0["driver"], "opens");
    EXPECT_EQ(ieee0["board"].get<std::string>().rfind("Vexmoor PCI IEEE 488", 0), 0u) << ieee0["board"];
    EXPECT_EQ(ieee0["primaryAddress"], 21);
    EXPECT_EQ(ieee0["blockMode"], false);
    EXPECT_EQ(ieee0["systemController"], true);
    EXPECT_EQ(ieee0["termIn"]["name"], "CR_LF");
    EXPECT_EQ(ieee0["termIn"]["chars"], nlohmann::json({13, 10}));
    ASSERT_EQ(ieee0["devices"].size(), 6u);
    const nlohmann::json& meter = Named(ieee0["devices"], "Meter");
    EXPECT_EQ(meter["node"], "0000\\0001");
    EXPECT_EQ(meter["primaryAddress"], 22);
    EXPECT_TRUE(meter["secondaryAddress"].is_null());
    EXPECT_EQ(Named(ieee0["devices"], "Shadow")["secondaryAddress"], 2);
    const nlohmann::json& endless = Named(ieee0["devices"], "Endless");
    EXPECT_EQ(endless["termIn"], nlohmann::json({{"name", "NONE"}, {"eoi", false}, {"chars", {nullptr, nullptr}}}));

    const nlohmann::json& ieee1 = Named(interfaces, "IEEE1");
    EXPECT_EQ(ieee1["driver"], "no board present");
    EXPECT_TRUE(ieee1["board"].is_null());
    EXPECT_EQ(Named(interfaces, "0002")["driver"], "unknown name");
}

TEST_F(Nt5Bench, ListTextShowsTheUnassignedBoardAsTheAppletDoes)
{
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(ListCommand(false, out, err), 0);
    EXPECT_NE(out.str().find("IEEE1  (node 0001)  no board present\n    board              (Unassigned or not-present)\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("    Meter  (node 0000\\0001)\n        address            22, secondary none\n"),
              std::string::npos)
        << out.str();
}

TEST_F(Nt5Bench, CheckReportsEveryPlantedProblemOnce)
{
    std::vector<std::string> problems = FindProblems();
    const char* const expected[] = {
        "0000\\0002 (Twin): same address as Meter (0000\\0001): primary 22, secondary none",
        "0000\\0003 (Shadow): primary address 21 is the address of its interface IEEE0",
        "0000\\0004 (Hasty): time-out is 0 ms",
        "0000\\0005 (Endless): no read can ever end",
        "0000\\0006 (Typed): Timeout is REG_SZ",
        "0001 (IEEE1): its board (PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\NOWHERE) is not present",
        "0002 (0002): the bus driver library does not know the name 0002",
        "driver service QbVexA: not running",
    };
    ASSERT_EQ(problems.size(), sizeof expected / sizeof expected[0]);
    for (const char* start : expected) {
        auto found = std::count_if(problems.begin(), problems.end(),
                                   [&](const std::string& line) { return line.rfind(start, 0) == 0; });
        EXPECT_EQ(found, 1) << start;
    }
    std::ostringstream out;
    EXPECT_EQ(CheckCommand(out), 1);
}

TEST_F(Nt5Bench, QueryAndWriteSayWhatFailedInWords)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(TransferCommand("IEEE0:22", "*IDN?", true, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(err.str(), "");

    out.str("");
    EXPECT_EQ(TransferCommand("GPIB3:22", "*RST", false, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "quenbus: GPIB3:22: status 7 (open failed, send or read failed, close failed); there is "
                         "no interface named GPIB3; the configured interfaces are: IEEE0, IEEE1, 0002\n");

    err.str("");
    EXPECT_EQ(TransferCommand("IEEE1:22", "*IDN?", true, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("status 7"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("board is present"), std::string::npos) << err.str();

    err.str("");
    EXPECT_EQ(TransferCommand("IEEE0:22:and-more-than-19", "*RST", false, out, err), 2);
    EXPECT_NE(err.str().find("longer than 19 characters"), std::string::npos) << err.str();
}

TEST_F(Nt5System, CheckOfASoundConfigurationFindsNothing)
{
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
            "\"HardwareKey\"=\"\"\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n"
            "\"UserName\"=\"Meter\"\n\"PrimaryAddress\"=dword:00000016\n");
    std::ostringstream out;
    EXPECT_EQ(CheckCommand(out), 0) << out.str();
    EXPECT_EQ(out.str(), "no problems found\n");
}

// Keys beside the nodes that are not nodes hide none of them: "0000x" and
// "00012" sort between the interfaces and the devices.
TEST_F(Nt5System, ListStepsOverKeysThatAreNotNodes)
{
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000x]\n\"UserName\"=\"Stray\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"IEEE1\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001\\00012]\n\"UserName\"=\"Stray device\"\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001\\0002]\n\"UserName\"=\"Meter\"\n");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ListCommand(true, out, err), 0) << err.str();
    const nlohmann::json list = nlohmann::json::parse(out.str())["interfaces"];
    ASSERT_EQ(list.size(), 2u) << out.str();
    EXPECT_FALSE(Named(list, "IEEE1").is_null()) << "an interface after a stray key is listed";
    EXPECT_TRUE(Named(list, "Stray").is_null()) << "a key that is not a node is not an interface";
    ASSERT_EQ(Named(list, "IEEE1")["devices"].size(), 1u) << out.str();
    EXPECT_EQ(Named(list, "IEEE1")["devices"][0]["name"], "Meter");
}

TEST_F(Nt5System, ListAndCheckWithoutAConfigurationSaySo)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ListCommand(false, out, err), 1);
    EXPECT_NE(err.str().find("no bus configuration"), std::string::npos);
    EXPECT_EQ(CheckCommand(out), 1);
}

TEST_F(LegacyNtSystem, CheckFindsTheDriverServiceStoppedAndItsCopyOutOfDate)
{
    LoadFixture("legacy_hardware.reg");
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
            "\"HardwareKey\"=\"Rumex\\\\0000\"\n\"PrimaryAddress\"=dword:00000015\n\"SystemController\"=dword:00000001\n");
    std::vector<std::string> problems = FindProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("0000 (IEEE0): the driver service Rumex is not installed", 0), 0u) << problems[0];

    ScopedService service("Rumex", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(service.Created());
    problems = FindProblems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].rfind("0000 (IEEE0): the driver service Rumex is not running", 0), 0u) << problems[0];
    EXPECT_EQ(problems[1].rfind("0000 (IEEE0): the driver's copy of this interface is out of date", 0), 0u)
        << problems[1];

    ASSERT_EQ(RegInitDrvrConfigNT(), 1);
    problems = FindProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("0000 (IEEE0): the driver service Rumex is not running", 0), 0u) << problems[0];
}

} // namespace
