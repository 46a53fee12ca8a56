// Bounded copies, text matching, the argument test and String.
#include "config/heap_string.h"
#include "config/text_utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(BoundedText, CopyAndAppendCutSafelyAndSayWhetherItFitted)
{
    char buffer[8];
    EXPECT_EQ(CopyBounded(buffer, "abc", 4), 1);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyBounded(buffer, "abc", 3), 0);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(CopyBounded(buffer, "abc", 1), 0);
    EXPECT_STREQ(buffer, "");

    std::memset(buffer, '#', sizeof buffer);
    CopyBounded(buffer, "ab", sizeof buffer);
    EXPECT_EQ(AppendBounded(buffer, "cd", sizeof buffer), 1);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(AppendBounded(buffer, "efghij", sizeof buffer), 0);
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(AppendBounded(buffer, "", sizeof buffer), 1);
    EXPECT_STREQ(buffer, "abcdefg");
}

TEST(BoundedText, TextMatchSwitches)
{
    EXPECT_EQ(TextMatch("abc", "B", 0, 1), 1);
    EXPECT_EQ(TextMatch("abc", "B", 1, 1), 0);
    EXPECT_EQ(TextMatch("abc", "b", 1, 1), 1);
    EXPECT_EQ(TextMatch("abc", "ABC", 0, 0), 1);
    EXPECT_EQ(TextMatch("abc", "ABC", 1, 0), 0);
    EXPECT_EQ(TextMatch("abc", "ab", 0, 0), 0) << "equality, not prefix";
    EXPECT_EQ(TextMatch("PCI\\VEN_10B5", "ven_10b5", 0, 1), 1);
    // Only a to z change case: other bytes compare as they are.
    EXPECT_EQ(TextMatch("\xe4", "\xc4", 0, 0), 0);
    EXPECT_EQ(TextMatch("[", "{", 0, 0), 0);
    EXPECT_EQ(TextMatch(nullptr, "a", 0, 1), 0);
}

TEST(BoundedText, ValidStringNeedsReadableNonEmptyText)
{
    EXPECT_EQ(IsValidString("Rumex"), 1);
    EXPECT_EQ(IsValidString(""), 0);
    EXPECT_EQ(IsValidString(nullptr), 0);
    std::string huge(70000, 'x');
    EXPECT_EQ(IsValidString(huge.c_str()), 1) << "only the first 65535 characters are checked";
}

TEST(HeapString, LifecycleFollowsItsOperations)
{
    String empty;
    EXPECT_EQ(empty.IsNull(), 1);
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.Clear(), 0);

    String room(10);
    ASSERT_EQ(room.IsNull(), 0);
    EXPECT_EQ(room.size, 11u);
    EXPECT_STREQ(room.data, "");
    room.Alloc(100);
    EXPECT_EQ(room.size, 11u) << "Alloc keeps a buffer already held";

    String text("IEEE0");
    EXPECT_STREQ(text.data, "IEEE0");
    EXPECT_EQ(text.size, 6u);
    EXPECT_EQ(text.Clear(), 1);
    EXPECT_STREQ(text.data, "");
    text.Assign("longer text");
    EXPECT_STREQ(text.data, "longer text");
    EXPECT_EQ(text.size, 12u);
    text.Assign(nullptr);
    EXPECT_EQ(text.IsNull(), 1);
    EXPECT_EQ(text.size, 0u);

    String none(-1);
    EXPECT_EQ(none.IsNull(), 1) << "room for -1 characters is no buffer";
    EXPECT_EQ(none.size, 0u);
}
