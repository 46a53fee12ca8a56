// Taking an adapter's answers apart: lines, and replies that end at the end
// mark or at the input character, however the bytes are split on the way.
#include "adapter/end_mark_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EndMarkReader, AReplyEndsAtTheMarkOrTheCharacterWhateverTheChunks)
{
    EndMarkReader reader;
    std::string reply;
    bool eoi = false;
    reader.Add("par", 3);
    EXPECT_FALSE(reader.TakeReply(-1, reply, eoi));
    EXPECT_EQ(reply, "par");
    reader.Add("t\x04next", 6);
    EXPECT_TRUE(reader.TakeReply(-1, reply, eoi));
    EXPECT_EQ(reply, "part");
    EXPECT_TRUE(eoi);

    // The character ends the reply; the mark that came with it is dropped.
    reply.clear();
    reader.DropUnread();
    reader.Add("ab\r\x04" "cd\x04", 7);
    EXPECT_TRUE(reader.TakeReply('\r', reply, eoi));
    EXPECT_EQ(reply, "ab\r");
    EXPECT_FALSE(eoi);
    reply.clear();
    EXPECT_TRUE(reader.TakeReply('\r', reply, eoi));
    EXPECT_EQ(reply, "cd");
    EXPECT_TRUE(eoi);
}

TEST(EndMarkReader, AMarkThatComesLateAfterTheCharacterIsDroppedOnlyThen)
{
    EndMarkReader reader;
    std::string reply;
    bool eoi = false;
    reader.Add("ok\n", 3);
    EXPECT_TRUE(reader.TakeReply('\n', reply, eoi));
    // The mark in the next chunk belongs to that reply; an answer line follows.
    reader.Add("\x04" "12\r\n", 5);
    std::string line;
    EXPECT_TRUE(reader.TakeLine(line));
    EXPECT_EQ(line, "12");
    // A later byte 4 is data of its own.
    reader.Add("\x04", 1);
    reply.clear();
    EXPECT_TRUE(reader.TakeReply('\n', reply, eoi));
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(eoi);
    EXPECT_FALSE(reader.TakeLine(line));
}

} // namespace
