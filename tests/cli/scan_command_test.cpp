// quenbus scan on the default simulated bench.
#include "cli/scan_command.h"
#include "registry_test_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using ScanTest = RegistryTest;

TEST_F(ScanTest, FindsEveryInstrumentOfTheDefaultBenchAtItsAddressTheSilentOneToo)
{
    std::ostringstream progress;
    std::vector<FoundInstrument> found = ScanBus("IEEE0", 21, ScanOptions(), progress);
    ASSERT_EQ(found.size(), 5u);
    const int addresses[] = {5, 9, 12, 13, 22};
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].primary, addresses[i]);
        EXPECT_EQ(found[i].secondary, 255);
    }
    EXPECT_EQ(found[0].identification, "*IDN?");  // the echo
    EXPECT_EQ(found[1].identification, "");       // the silent one listens
    EXPECT_EQ(found[2].identification.size(), 255u);
    EXPECT_EQ(found[3].identification, "AB");
    EXPECT_EQ(found[4].identification, "Simbus,Multimeter,0,1.0");
    EXPECT_NE(progress.str().find("scanning IEEE0: address 30 of 30"), std::string::npos);
    EXPECT_EQ(progress.str().find("address 21 "), std::string::npos);
}

TEST_F(ScanTest, SkipsTheInterfacesOwnAddressAndTriesSecondaryAddressesOnRequest)
{
    std::ostringstream progress;
    ScanOptions options;
    options.secondary = true;
    std::vector<FoundInstrument> found = ScanBus("IEEE1", 22, options, progress);
    ASSERT_EQ(found.size(), 4u);
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
    EXPECT_NE(out.str().find("\n5 found on IEEE2 (its own address 21 not tried)\n"), std::string::npos) << out.str();

    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"GPIB0\"\n");
    out.str("");
    err.str("");
    EXPECT_EQ(ScanCommand("IEEE2", ScanOptions(), out, err), 1);
    EXPECT_EQ(err.str(), "quenbus: the bus driver library cannot open IEEE2 (unknown name); the configured "
                         "interfaces are: GPIB0\n");
    EXPECT_EQ(out.str(), "");
}

} // namespace
