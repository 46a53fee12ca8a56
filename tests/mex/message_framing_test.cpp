// The bus's message rules that every backend shares: where a write asserts
// END and where a read stops, and why.
#include "gpib/message_framing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Parts(const std::vector<MessagePart>& parts)
{
    std::string text;
    for (const MessagePart& part : parts)
        text += std::to_string(part.offset) + "+" + std::to_string(part.count) + (part.end ? "E " : " ");
    return text;
}

TEST(MessageFraming, AWriteEndsAMessageAtEachEndOfStringCharacterAndWithEnd)
{
    const std::string data = "AB\rCD\r";
    EXPECT_EQ(Parts(SplitAtEndOfString(data.data(), data.size(), '\r', false)), "0+3E 3+3E ");
    EXPECT_EQ(Parts(SplitAtEndOfString("AB\rCD", 5, '\r', false)), "0+3E 3+2 ");
    EXPECT_EQ(Parts(SplitAtEndOfString("AB\rCD", 5, '\r', true)), "0+3E 3+2E ");
    // Without a character every byte is data, whatever its value.
    EXPECT_EQ(Parts(SplitAtEndOfString("AB\rCD", 5, -1, true)), "0+5E ");
    EXPECT_EQ(Parts(SplitAtEndOfString("\xff\x00\xff", 3, 0xff, false)), "0+1E 1+2E ");
}

TEST(MessageFraming, AWriteOfNoBytesStillAddressesTheDevice)
{
    EXPECT_EQ(Parts(SplitAtEndOfString("", 0, '\n', true)), "0+0E ");
    EXPECT_EQ(Parts(SplitAtEndOfString("", 0, '\n', false)), "0+0 ");
    EXPECT_EQ(Parts(MessageParts({2, 4}, 4, false)), "0+2E 2+2E ");
}

TEST(MessageFraming, AReadStopsAtTheCharacterAtEndOrWithTheBufferFull)
{
    const std::string data = "12\r34";
    ReadStop atCharacter = FindReadStop(data.data(), data.size(), 256, '\r', true);
    EXPECT_EQ(atCharacter.count, 3u);
    EXPECT_EQ(atCharacter.ended, ReadEnd::EndOfString);

    ReadStop atEnd = FindReadStop(data.data(), data.size(), 256, -1, true);
    EXPECT_EQ(atEnd.count, 5u);
    EXPECT_EQ(atEnd.ended, ReadEnd::Eoi);

    // The character beyond the buffer does not end the read; END wins over a full buffer.
    ReadStop full = FindReadStop(data.data(), data.size(), 2, '\r', true);
    EXPECT_EQ(full.count, 2u);
    EXPECT_EQ(full.ended, ReadEnd::BufferFull);
    ReadStop exact = FindReadStop(data.data(), data.size(), 5, -1, true);
    EXPECT_EQ(exact.ended, ReadEnd::Eoi);

    // Bytes without END and without the character: the read has not ended.
    ReadStop open = FindReadStop(data.data(), data.size(), 256, -1, false);
    EXPECT_EQ(open.count, 5u);
    EXPECT_EQ(open.ended, ReadEnd::None);
    EXPECT_EQ(FindReadStop(data.data(), 0, 256, '\r', true).ended, ReadEnd::None);
}

} // namespace
