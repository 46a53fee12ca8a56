// Taking an adapter's answers apart: lines, and replies that end at the end
// mark or at the input character, however the bytes are split on the way.
#include "adapter/end_mark_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

namespace {

// A reply of unlimited length, of a message that holds no block: true when it ended.
bool Take(EndMarkReader& reader, int eosChar, std::string& reply, bool& eoi)
{
    BlockTracker message;
    ReplyEnd end = reader.TakeReply(eosChar, std::string::npos, message, reply);
    eoi = end == ReplyEnd::Mark;
    return end == ReplyEnd::Mark || end == ReplyEnd::Character;
}

TEST(EndMarkReader, AReplyEndsAtTheMarkOrTheCharacterWhateverTheChunks)
{
    EndMarkReader reader;
    std::string reply;
    bool eoi = false;
    reader.Add("par", 3);
    EXPECT_FALSE(Take(reader, -1, reply, eoi));
    EXPECT_EQ(reply, "par");
    reader.Add("t\x04", 2);
    EXPECT_TRUE(Take(reader, -1, reply, eoi));
    EXPECT_EQ(reply, "part");
    EXPECT_TRUE(eoi);
    // Nothing comes after a reply's mark: a mark byte with bytes after it is data.
    reply.clear();
    reader.Add("a\x04" "b\x04", 4);
    EXPECT_TRUE(Take(reader, -1, reply, eoi));
    EXPECT_EQ(reply, "a\x04" "b");
    EXPECT_TRUE(eoi);

    // The character ends the reply; the mark that came with it is dropped.
    reply.clear();
    reader.DropUnread();
    reader.Add("ab\r\x04" "cd\x04", 7);
    EXPECT_TRUE(Take(reader, '\r', reply, eoi));
    EXPECT_EQ(reply, "ab\r");
    EXPECT_FALSE(eoi);
    reply.clear();
    EXPECT_TRUE(Take(reader, '\r', reply, eoi));
    EXPECT_EQ(reply, "cd");
    EXPECT_TRUE(eoi);
}

TEST(EndMarkReader, AMarkThatComesLateAfterTheCharacterIsDroppedOnlyThen)
{
    EndMarkReader reader;
    std::string reply;
    bool eoi = false;
    reader.Add("ok\n", 3);
    EXPECT_TRUE(Take(reader, '\n', reply, eoi));
    // The mark in the next chunk belongs to that reply; an answer line follows.
    reader.Add("\x04" "12\r\n", 5);
    std::string line;
    EXPECT_TRUE(reader.TakeLine(line));
    EXPECT_EQ(line, "12");
    // A later byte 4 is data of its own.
    reader.Add("\x04", 1);
    reply.clear();
    EXPECT_TRUE(Take(reader, '\n', reply, eoi));
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(eoi);
    EXPECT_FALSE(reader.TakeLine(line));
}

} // namespace

namespace {

// Reads a whole message through the reader in chunks of `chunk` bytes.
std::string WholeMessage(const std::string& answer, size_t chunk, int eosChar = -1)
{
    EndMarkReader reader;
    BlockTracker message;
    std::string reply;
    for (size_t at = 0; at < answer.size(); at += chunk) {
        reader.Add(answer.data() + at, std::min(chunk, answer.size() - at));
        ReplyEnd end;
        while ((end = reader.TakeReply(eosChar, std::string::npos, message, reply)) == ReplyEnd::Character)
            ;
        if (end == ReplyEnd::Mark)
            return reply;
    }
    return "(no end) " + reply;
}

std::string EveryByteValue()
{
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST(EndMarkReader, AMarkByteInsideADefiniteBlockIsData)
{
    const std::string payload = EveryByteValue() + "\x04\x04";
    const std::string message = "#3258" + payload + "\n";
    for (size_t chunk : {1u, 3u, 7u, 300u})
        EXPECT_EQ(WholeMessage(message + "\x04", chunk), message) << chunk;
    // Bytes before the block, and the character stopping the reads on the way.
    EXPECT_EQ(WholeMessage("CURV #14\x04\r\x04\r\n\x04", 2, '\r'), "CURV #14\x04\r\x04\r\n");
    // After the announced length the byte is the mark again, when nothing follows it.
    EXPECT_EQ(WholeMessage("#12ab\x04", 4), "#12ab");
    EXPECT_EQ(WholeMessage("#12ab\x04tail\x04", 4), "#12ab\x04tail");
}

TEST(EndMarkReader, InAnIndefiniteBlockOnlyAMarkAfterItsLineFeedEnds)
{
    EXPECT_EQ(WholeMessage("#0a\x04" "b\x04\n\x04", 2), "#0a\x04" "b\x04\n");
    // A '#' that begins no block leaves the mark as it is.
    EXPECT_EQ(WholeMessage("#x\x04", 1), "#x");
    EXPECT_EQ(WholeMessage("no block\x04", 5), "no block");
}

TEST(EndMarkReader, ALimitCutsTheReplyAndTheRestComesNext)
{
    EndMarkReader reader;
    BlockTracker message;
    std::string reply;
    reader.Add("#15ab\x04" "de\n\x04", 10);
    EXPECT_EQ(reader.TakeReply(-1, 4, message, reply), ReplyEnd::Full);
    EXPECT_EQ(reply, "#15a");
    reply.clear();
    EXPECT_EQ(reader.TakeReply(-1, 4, message, reply), ReplyEnd::Full);
    EXPECT_EQ(reply, std::string("b\x04" "de", 4));
    reply.clear();
    // The mark that follows a full reply ends it.
    EXPECT_EQ(reader.TakeReply(-1, 1, message, reply), ReplyEnd::Mark);
    EXPECT_EQ(reply, "\n");
}

} // namespace

namespace {

// Unsettled, a mark byte that came last is held: the reply stops before it
// until a look tells whether bytes follow it.
TEST(EndMarkReader, AMarkByteThatCameLastWaitsForALookAfterIt)
{
    EndMarkReader reader;
    BlockTracker message;
    std::string reply;
    reader.Add("\x01\x04", 2);
    EXPECT_EQ(reader.TakeReply(-1, std::string::npos, message, reply, false), ReplyEnd::More);
    EXPECT_TRUE(reader.MarkHeld());
    EXPECT_EQ(reply, "\x01");
    reader.Add("\x05\n\x04", 3);
    EXPECT_EQ(reader.TakeReply(-1, std::string::npos, message, reply, false), ReplyEnd::More);
    EXPECT_EQ(reply, "\x01\x04\x05\n") << "the byte with bytes after it is data";
    EXPECT_EQ(reader.TakeReply(-1, std::string::npos, message, reply, true), ReplyEnd::Mark);
    EXPECT_FALSE(reader.MarkHeld());
    EXPECT_EQ(reply, "\x01\x04\x05\n");
    // A held mark does not make a full reply of one that has room.
    reply.clear();
    reader.Add("ab\x04", 3);
    EXPECT_EQ(reader.TakeReply(-1, 2, message, reply, false), ReplyEnd::More);
    EXPECT_TRUE(reader.MarkHeld());
    EXPECT_EQ(reader.TakeReply(-1, 2, message, reply, true), ReplyEnd::Mark);
    EXPECT_EQ(reply, "ab");
}

} // namespace
