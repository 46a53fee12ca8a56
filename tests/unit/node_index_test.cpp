// Node names and device paths.
#include "config/node_index.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(NodeIndex, FormatWritesFourUpperCaseDigits)
{
    char buffer[8];
    EXPECT_STREQ(FormatNodeIndex(0x1A, buffer, 5), "001A");
    EXPECT_STREQ(FormatNodeIndex(0x2AB, buffer, 5), "02AB");
    EXPECT_STREQ(FormatNodeIndex(0x12345, buffer, 5), "2345") << "low 16 bits";
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(FormatNodeIndex(1, buffer, 4), nullptr);
    EXPECT_EQ(buffer[0], '#') << "nothing written";
}

TEST(NodeIndex, ParseReadsHexAndStopsAtTheTerminator)
{
    EXPECT_EQ(ParseNodeIndex("00ff"), 255);
    EXPECT_EQ(ParseNodeIndex("00G1"), 1);
    EXPECT_EQ(ParseNodeIndex("FFFF"), 0xFFFF);
    EXPECT_EQ(ParseNodeIndex("00120"), 0x12) << "only four characters count";
    for (unsigned n : {0u, 9u, 0xA0u, 0xBEEFu}) {
        char name[5];
        EXPECT_EQ(ParseNodeIndex(FormatNodeIndex(n, name, sizeof name)), n);
    }
    // A short name ends at its terminator: the text "1" then bytes never read.
    char shortName[4] = {'1', '\0', '7', '7'};
    EXPECT_EQ(ParseNodeIndex(shortName), 0x1000);
    EXPECT_EQ(ParseNodeIndex(""), 0);
    EXPECT_EQ(ParseNodeIndex(nullptr), 0);
}

TEST(NodeIndex, NodeNamesAreFourHexDigits)
{
    for (const char* name : {"0000", "00ff", "FFFF", "a0B1"})
        EXPECT_EQ(IsNodeName(name), 1) << name;
    for (const char* name : {"", "000", "0000x", "12345", "zz", "00G1", " 000", "00 1", "IEEE"})
        EXPECT_EQ(IsNodeName(name), 0) << "'" << name << "'";
}

TEST(NodeIndex, DevicePathJoinsInterfaceAndDevice)
{
    char buffer[10];
    const char* device = FormatDevicePath(3, 17, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "0003\\0011");
    EXPECT_EQ(device, buffer + 5);
    EXPECT_STREQ(device, "0011");
    EXPECT_EQ(FormatDevicePath(3, 17, buffer, 9), nullptr);
}
