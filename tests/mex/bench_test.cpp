// Bench definitions: the default bench and the file format for others.
#include "simbus/bench.h"

#include <gtest/gtest.h>

namespace {

TEST(BenchFile, DefaultBenchHoldsTheFiveInstruments)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench(kDefaultBench, bench, error)) << error;
    ASSERT_EQ(bench.entries.size(), 5u);
    EXPECT_FALSE(bench.realTime);
    struct Expected {
        int primary;
        InstrumentKind kind;
    } expected[] = {{22, InstrumentKind::Multimeter}, {5, InstrumentKind::Echo}, {9, InstrumentKind::Silent},
                    {12, InstrumentKind::Talker}, {13, InstrumentKind::Reply}};
    for (size_t i = 0; i < bench.entries.size(); ++i) {
        EXPECT_EQ(bench.entries[i].primary, expected[i].primary);
        EXPECT_EQ(bench.entries[i].secondary, GPIB_NO_SECONDARY);
        EXPECT_EQ(bench.entries[i].kind, expected[i].kind);
    }
    EXPECT_EQ(bench.entries[0].text, kDefaultIdentification);
    EXPECT_EQ(bench.entries[3].length, 300u);
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
