// Bench definitions: the default bench and the file format for others.
#include "simbus/bench.h"

#include <gtest/gtest.h>

namespace {

TEST(BenchFile, DefaultBenchHoldsTheTenInstruments)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench(kDefaultBench, bench, error)) << error;
    ASSERT_EQ(bench.entries.size(), 10u);
    EXPECT_FALSE(bench.realTime);
    struct Expected {
        int primary;
        InstrumentKind kind;
        size_t length;
    } expected[] = {{22, InstrumentKind::Multimeter, 0}, {5, InstrumentKind::Echo, 0},
                    {9, InstrumentKind::Silent, 0},      {12, InstrumentKind::Talker, 300},
                    {13, InstrumentKind::Reply, 0},      {14, InstrumentKind::Block, 256},
                    {15, InstrumentKind::Indefinite, 256}, {16, InstrumentKind::Block, 16777216},
                    {17, InstrumentKind::Readings, 10000}, {18, InstrumentKind::Store, 0}};
    for (size_t i = 0; i < bench.entries.size(); ++i) {
        EXPECT_EQ(bench.entries[i].primary, expected[i].primary);
        EXPECT_EQ(bench.entries[i].secondary, GPIB_NO_SECONDARY);
        EXPECT_EQ(bench.entries[i].kind, expected[i].kind);
        EXPECT_EQ(bench.entries[i].length, expected[i].length) << "at " << expected[i].primary;
    }
    EXPECT_EQ(bench.entries[0].text, kDefaultIdentification);
    EXPECT_EQ(bench.entries[4].text, std::string("AB\0CD", 5));
}

TEST(BenchFile, ReadsAddressesArgumentsCommentsAndTiming)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench("# a comment line\n"
                           "\n"
                           "timing real\n"
                           "  0,30 multimeter \"Maker, Model,1,2\"   # spaces inside quotes\n"
                           "30 reply \"tab\\tquote\\\"back\\\\slash\\x7Fcr\\r\"\n"
                           "7 talker 65536\n",
                           bench, error))
        << error;
    ASSERT_EQ(bench.entries.size(), 3u);
    EXPECT_TRUE(bench.realTime);
    EXPECT_EQ(bench.entries[0].primary, 0);
    EXPECT_EQ(bench.entries[0].secondary, 30);
    EXPECT_EQ(bench.entries[0].text, "Maker, Model,1,2");
    EXPECT_EQ(bench.entries[1].text, "tab\tquote\"back\\slash\x7F" "cr\r");
    EXPECT_EQ(bench.entries[2].length, 65536u);
}

// A '#' inside a quoted text is part of it; outside one it starts a comment,
// also right after a word or a closing quote.
TEST(BenchFile, HashInsideQuotesIsText)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench("22 multimeter \"Maker#2,Model\"# after the quote\n"
                           "13 reply \"#\\r\\n# not a comment\"\n"
                           "5 echo# right after the kind\n",
                           bench, error))
        << error;
    ASSERT_EQ(bench.entries.size(), 3u);
    EXPECT_EQ(bench.entries[0].text, "Maker#2,Model");
    EXPECT_EQ(bench.entries[1].text, "#\r\n# not a comment");
    EXPECT_EQ(bench.entries[2].kind, InstrumentKind::Echo);
    EXPECT_FALSE(ParseBench("13 reply \"open # comment\n", bench, error)) << "an unterminated quote stays an error";
}

TEST(BenchFile, ReadsBlockReadingsAndStoreInstrumentsAtTheirLimits)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench("1 block 1\n"
                           "2 block 268435456\n"
                           "3 indefinite 1\n"
                           "4 indefinite 268435456\n"
                           "5 readings 1\n"
                           "6 readings 1000000   # the most\n"
                           "7,3 store\n",
                           bench, error))
        << error;
    ASSERT_EQ(bench.entries.size(), 7u);
    const InstrumentKind kinds[] = {InstrumentKind::Block,    InstrumentKind::Block,    InstrumentKind::Indefinite,
                                    InstrumentKind::Indefinite, InstrumentKind::Readings, InstrumentKind::Readings,
                                    InstrumentKind::Store};
    const size_t lengths[] = {1, 268435456, 1, 268435456, 1, 1000000, 0};
    for (size_t i = 0; i < bench.entries.size(); ++i) {
        EXPECT_EQ(bench.entries[i].kind, kinds[i]) << "line " << i + 1;
        EXPECT_EQ(bench.entries[i].length, lengths[i]) << "line " << i + 1;
    }
    EXPECT_EQ(bench.entries[6].secondary, 3);
}

TEST(BenchFile, ReportsTheFirstBadLine)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"31 echo\n", "line 1: bad address 31"},
        {"5,31 echo\n", "line 1: bad address 5,31"},
        {"x echo\n", "line 1: bad address x"},
        {"5\n", "line 1: missing instrument kind"},
        {"5 scope\n", "line 1: unknown instrument kind scope"},
        {"5 echo extra\n", "line 1: too many arguments for echo"},
        {"5 talker\n", "line 1: talker needs one argument"},
        {"5 talker 0\n", "line 1: bad talker length 0"},
        {"5 talker 65537\n", "line 1: bad talker length 65537"},
        {"5 reply unquoted\n", "line 1: bad reply text"},
        {"5 reply \"\\q\"\n", "line 1: bad reply text"},
        {"5 reply \"\\x4\"\n", "line 1: bad reply text"},
        {"5 multimeter \"open\n", "line 1: bad identification text"},
        {"5 block\n", "line 1: block needs one argument"},
        {"5 block 0\n", "line 1: bad block length 0"},
        {"5 block 268435457\n", "line 1: bad block length 268435457"},
        {"5 block 99999999999999999999\n", "line 1: bad block length 99999999999999999999"},
        {"5 block -1\n", "line 1: bad block length -1"},
        {"5 block 16k\n", "line 1: bad block length 16k"},
        {"5 block 1 2\n", "line 1: block needs one argument"},
        {"5 indefinite\n", "line 1: indefinite needs one argument"},
        {"5 indefinite 0\n", "line 1: bad indefinite length 0"},
        {"5 indefinite 268435457\n", "line 1: bad indefinite length 268435457"},
        {"5 readings\n", "line 1: readings needs one argument"},
        {"5 readings 0\n", "line 1: bad readings count 0"},
        {"5 readings 1000001\n", "line 1: bad readings count 1000001"},
        {"5 readings \"10\"\n", "line 1: bad readings count \"10\""},
        {"5 store 256\n", "line 1: too many arguments for store"},
        {"5 echo\n5 silent\n", "line 2: address 5 is taken"},
        {"timing fast\n", "line 1: timing is real or simulated"},
    };
    for (const Case& c : cases) {
        Bench bench;
        std::string error;
        EXPECT_FALSE(ParseBench(c.text, bench, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

} // namespace
