// Case-blind comparison and trimming, and the model-name rule beside them.
#include "text/text_compare.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

TEST(NoCase, EqualityPrefixContainmentAndOrder)
{
    EXPECT_TRUE(EqualNoCase("Wave1", "WAVE1"));
    EXPECT_FALSE(EqualNoCase("Wave", "Wave "));
    EXPECT_FALSE(EqualNoCase(std::string("a\0b", 3), "a")) << "the whole text counts";
    EXPECT_FALSE(EqualNoCase("\xC4", "\xE4")) << "only ASCII letters fold";

    EXPECT_EQ(StartsWithNoCase("pcmcia\\x", "PCMCIA"), 1);
    EXPECT_EQ(StartsWithNoCase("PCMCIA\\x", "PCI"), 0);
    EXPECT_EQ(StartsWithNoCase("PC", "PCI"), 0);
    EXPECT_EQ(StartsWithNoCase("", ""), 1);

    EXPECT_TRUE(ContainsNoCase("abc", "B"));
    EXPECT_TRUE(ContainsNoCase("abc", ""));
    EXPECT_FALSE(ContainsNoCase("ab", "abc"));

    // Key names sort as Windows sorts them: folded to lower case, so '_' and
    // '[' (between the two cases in ASCII) come before every letter.
    EXPECT_LT(CompareNoCase("_x", "a"), 0);
    EXPECT_LT(CompareNoCase("[", "A"), 0);
    EXPECT_EQ(CompareNoCase("IEEE0", "ieee0"), 0);
    EXPECT_LT(CompareNoCase("IEEE", "ieee0"), 0) << "shorter first";
    std::map<std::string, int, LessNoCase> map;
    map["Bench"] = 1;
    map["BENCH"] = 2;
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(map["bench"], 2);
}

TEST(NoCase, ModelNameRuleMatchesUpToTheEndOfEither)
{
    EXPECT_EQ(TextEqualNoCase("rumex", "Rumex"), 1);
    EXPECT_EQ(TextEqualNoCase("RUMEX", "Rumex"), 1);
    EXPECT_EQ(TextEqualNoCase("Rumex board", "Rumex"), 1) << "a blank matches the end";
    EXPECT_EQ(TextEqualNoCase("Rumexa", "Rumex"), 0);
    EXPECT_EQ(TextEqualNoCase("Rume", "Rumex"), 0);
    EXPECT_EQ(TextEqualNoCase("", "Rumex"), 0);
    EXPECT_EQ(TextEqualNoCase(nullptr, "Rumex"), 0);
    const char* same = "anything";
    EXPECT_EQ(TextEqualNoCase(same, same), 1);
    EXPECT_EQ(TextEqualNoCase("a@", "A`"), 1) << "bit 5 only, not letters only: the rule, not ASCII folding";
    EXPECT_FALSE(EqualNoCase("a@", "A`"));
}

TEST(Blanks, TrimmingBothEndsOrTheEnd)
{
    EXPECT_EQ(TrimBlanks(" \t Scope \t"), "Scope");
    EXPECT_EQ(TrimBlanks("New  Device"), "New  Device");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimTrailingBlanks("CR  "), "CR");
    EXPECT_EQ(TrimTrailingBlanks(" CR\t"), " CR\t") << "blanks at the end only";
    EXPECT_EQ(TrimTrailingBlanks("   "), "");
}
