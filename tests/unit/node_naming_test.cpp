// The number and name a new device node takes.
#include "config/node_naming.h"

#include "text/text_compare.h"

#include <gtest/gtest.h>

#include <set>

TEST(NodeNaming, NewDeviceNumbersAvoidEveryKeyInUse)
{
    EXPECT_EQ(NextDeviceNumber({}), 1u);
    EXPECT_EQ(NextDeviceNumber({0}), 1u);
    EXPECT_EQ(NextDeviceNumber({0, 5}), 6u);
    EXPECT_EQ(NextDeviceNumber({0xFFFE}), 0xFFFFu);
    EXPECT_EQ(NextDeviceNumber({0, 1, 0xFFFF}), 2u) << "past 0xFFFF: the smallest free number";
}

TEST(NodeNaming, ANameClaimedInAnyCaseTakesTheNextFreeCounter)
{
    std::set<std::string> names = {"new device", "New Device (2)", "NEW DEVICE (4)"};
    auto taken = [&names](const std::string& name) {
        for (const std::string& other : names) {
            if (EqualNoCase(other, name))
                return true;
        }
        return false;
    };
    EXPECT_EQ(UnclaimedName("Multimeter", taken, 31), "Multimeter");
    EXPECT_EQ(UnclaimedName(kNewDeviceName, taken, 31), "New Device (3)");
    names.insert("New Device (3)");
    EXPECT_EQ(UnclaimedName(kNewDeviceName, taken, 31), "New Device (5)");
}

TEST(NodeNaming, ALongBaseIsCutSoTheCounterStillFits)
{
    std::string base(40, 'M');
    std::set<std::string> names;
    auto taken = [&names](const std::string& name) { return names.count(name) != 0; };
    EXPECT_EQ(UnclaimedName(base, taken, 31), std::string(31, 'M'));
    names.insert(std::string(31, 'M'));
    EXPECT_EQ(UnclaimedName(base, taken, 31), std::string(27, 'M') + " (2)");
    // A blank at the cut does not stand before the counter.
    auto longNames = [](const std::string& name) { return name.size() == 31; };
    EXPECT_EQ(UnclaimedName("Model 2000 Digital Meter 6 1/2 digit", longNames, 31), "Model 2000 Digital Meter 6 (2)");
}
