// The connection the tool, the MATLAB commands and the applet share: each
// step says whether it worked, how many bytes went, why a read ended, and on
// a failure the library's reason, so a time-out and a missing listener are
// told apart without opening the interface again.
#include "buslink/block_transfers.h"
#include "buslink/connection.h"
#include "buslink/long_reply.h"
#include "buslink/transfers.h"
#include "drovane/drovane.h"
#include "present_boards.h"

#include <gtest/gtest.h>

namespace {

using BusConnection = PresentBoards;

TEST_F(BusConnection, EachStepSaysHowItWentAndWhyAReadEnded)
{
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"LAN0\"\n"
            "\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\4&1A2B3C&0&5808\"\n");
    Connection meter;
    ASSERT_TRUE(meter.OpenDevice("LAN0", 22, DRV_NO_SECONDARY, 1000).ok);
    StepOutcome sent = meter.Send("*IDN?");
    EXPECT_TRUE(sent.ok);
    EXPECT_EQ(sent.count, 5u);
    StepOutcome part = meter.Receive(6);
    EXPECT_TRUE(part.ok);
    EXPECT_EQ(part.ended, ReadEnd::BufferFull);
    EXPECT_EQ(meter.Reply(), "Simbus");
    StepOutcome rest = meter.Receive(256);
    EXPECT_EQ(rest.ended, ReadEnd::Eoi);
    EXPECT_EQ(meter.Reply(), ",Multimeter,0,1.0\n");
    EXPECT_EQ(rest.count, meter.Reply().size());

    // Nothing more to say: a time-out, not a missing listener.
    StepOutcome none = meter.Receive(256);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(meter.LastError(), DRV_ERR_TIMEOUT);
    EXPECT_TRUE(meter.Close().ok);

    Connection nobody;
    ASSERT_TRUE(nobody.OpenDevice("LAN0", 7, DRV_NO_SECONDARY, 1000).ok);
    EXPECT_FALSE(nobody.Send("*IDN?").ok);
    EXPECT_EQ(nobody.LastError(), DRV_ERR_NO_LISTENER);
    nobody.Close();

    Connection unknown;
    EXPECT_FALSE(unknown.OpenDevice("LAN9", 22, DRV_NO_SECONDARY, 1000).ok);
    EXPECT_EQ(unknown.LastError(), DRV_ERR_UNKNOWN_NAME);
    EXPECT_FALSE(unknown.Close().ok);
}

TEST_F(BusConnection, TheMatlabReadCallsOnlyDrvRead)
{
    // The end stays unknown; after a time-out the reply is what came up to its first NUL.
    Connection reply(MatlabRead);
    ASSERT_TRUE(reply.OpenDevice("IEEE0", 13, DRV_NO_SECONDARY, 1000).ok);
    ASSERT_TRUE(reply.Send("?").ok);
    StepOutcome read = reply.Receive(256);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.ended, ReadEnd::None);
    EXPECT_EQ(reply.Reply(), std::string("AB\0CD", 5));
    reply.Close();
}

} // namespace

namespace {

// The echo instrument at 5 answers the last message as it came.
LongReply BlockEchoed(const char* sent, size_t limit = kDefaultReplyLimit)
{
    Connection echo;
    echo.OpenDevice("IEEE0", 5, DRV_NO_SECONDARY, 1000);
    echo.Send(sent);
    LongReply reply = ReceiveBlock(echo, limit);
    echo.Close();
    return reply;
}

TEST_F(BusConnection, ABlockGivesItsPayloadAndABadOneSaysWhatIsWrong)
{
    LongReply definite = BlockEchoed("#15ABCDE");
    EXPECT_EQ(definite.result, LongRead::Done);
    EXPECT_EQ(definite.bytes, "ABCDE");
    // Bytes before the '#' are skipped; a longer block is read past the header's reads.
    LongReply skipped = BlockEchoed("xy#226abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(skipped.result, LongRead::Done);
    EXPECT_EQ(skipped.bytes, "abcdefghijklmnopqrstuvwxyz");
    LongReply indefinite = BlockEchoed("#0raw bytes");
    EXPECT_EQ(indefinite.result, LongRead::Done);
    EXPECT_EQ(indefinite.bytes, "raw bytes");
    LongReply text = BlockEchoed("no block");
    EXPECT_EQ(text.result, LongRead::NotABlock);
    EXPECT_EQ(text.bytes, "no block");

    LongReply shorter = BlockEchoed("#19ABC");
    EXPECT_EQ(shorter.result, LongRead::Malformed);
    EXPECT_EQ(shorter.problem, "the block ends after 3 of the 9 bytes it announced");
    EXPECT_EQ(BlockEchoed("#A12").problem, "no digit after #");
    EXPECT_EQ(BlockEchoed("#3 12abc").problem, "fewer length digits than the 3 announced");
    EXPECT_EQ(BlockEchoed("#3").problem, "the reply ends inside the block header");
    LongReply large = BlockEchoed("#15ABCDE", 4);
    EXPECT_EQ(large.result, LongRead::TooLong);
}

TEST_F(BusConnection, AWholeReplyIsReadOnWhileTheBufferFillsUpToItsLimit)
{
    Connection talker;
    ASSERT_TRUE(talker.OpenDevice("IEEE0", 12, DRV_NO_SECONDARY, 1000).ok);
    ASSERT_TRUE(talker.Send("?").ok);
    LongReply whole = ReceiveWhole(talker);
    EXPECT_EQ(whole.result, LongRead::Done);
    EXPECT_EQ(whole.bytes.size(), 300u);
    EXPECT_EQ(whole.bytes.substr(0, 3), "ABC");
    ASSERT_TRUE(talker.Send("?").ok);
    EXPECT_EQ(ReceiveWhole(talker, 100).result, LongRead::TooLong);
    talker.Close();

    Connection silent;
    ASSERT_TRUE(silent.OpenDevice("IEEE0", 9, DRV_NO_SECONDARY, 1000).ok);
    ASSERT_TRUE(silent.Send("?").ok);
    EXPECT_EQ(ReceiveWhole(silent).result, LongRead::Failed);
    EXPECT_EQ(silent.LastError(), DRV_ERR_TIMEOUT);
    silent.Close();
}

} // namespace

namespace {

// The waveform memory at 18 keeps the block of the last message that held one.
std::string StoredThrough(bool sicl, const std::string& payload, bool binary)
{
    Connection store;
    bool opened = sicl ? store.OpenSicl("hpib7,18", 1000).ok : store.OpenDevice("IEEE0", 18, DRV_NO_SECONDARY, 1000).ok;
    EXPECT_TRUE(opened);
    std::string message = "WAV:DATA #" + std::to_string(std::to_string(payload.size()).size()) +
                          std::to_string(payload.size()) + payload;
    EXPECT_TRUE(binary ? store.SendBytes(message.data(), message.size(), true).ok : store.Send(message.c_str()).ok);
    EXPECT_TRUE(store.Send("WAV:DATA?").ok);
    LongReply back = ReceiveBlock(store);
    store.Close();
    return back.result == LongRead::Done ? back.bytes : "(" + back.problem + ")";
}

TEST_F(BusConnection, ABinaryWriteIsOneMessageWhateverTheOutputCharacter)
{
    // The connection's output character is CR: a text write ends a message at
    // each, a binary write at its last byte only.
    const std::string payload = std::string("a\rb\nc\0d", 7) + '\r';
    EXPECT_EQ(StoredThrough(false, payload, true), payload);
    EXPECT_NE(StoredThrough(false, "a\rb", false), "a\rb");
    // SICL: its write sends the bytes as they are; its read reads any length.
    EXPECT_EQ(StoredThrough(true, payload, true), payload);
}

TEST_F(BusConnection, LongRepliesComeThroughBothLibrariesAndASinkMayStopThem)
{
    for (bool sicl : {false, true}) {
        Connection large;
        large.EndReadsOnlyWithEnd();
        ASSERT_TRUE(sicl ? large.OpenSicl("hpib7,16", 1000).ok : large.OpenDevice("IEEE0", 16, DRV_NO_SECONDARY, 1000).ok);
        ASSERT_TRUE(large.Send("CURV?").ok);
        size_t total = 0;
        size_t chunks = 0;
        bool inOrder = true;
        LongReply reply = StreamBlock(large, [&](const char* data, size_t count) {
            for (size_t i = 0; i < count; ++i)
                inOrder = inOrder && static_cast<unsigned char>(data[i]) == (total + i) % 256;
            total += count;
            ++chunks;
            return true;
        });
        EXPECT_EQ(reply.result, LongRead::Done) << sicl;
        EXPECT_EQ(total, 16u * 1024 * 1024) << sicl;
        EXPECT_TRUE(inOrder) << sicl;
        EXPECT_GT(chunks, 1u) << "the payload came in one piece";

        // A sink that fails stops the read, with why.
        ASSERT_TRUE(large.Send("CURV?").ok);
        LongReply stopped = StreamBlock(large, [](const char*, size_t) { return false; });
        EXPECT_EQ(stopped.result, LongRead::Failed);
        EXPECT_EQ(stopped.problem, "the bytes could not be stored");
        large.Close();
    }
}

} // namespace

namespace {

TEST_F(BusConnection, ABlockTooLongForItsHeaderIsRefusedUnsent)
{
    // Ten length digits do not fit a definite-length header; nothing of the data is read.
    char address[kAddressSize] = "IEEE0:18";
    const char data[1] = {'x'};
    BlockTransfer refused = SendBlock(address, "WAV:DATA ", data, 1000000000);
    EXPECT_EQ(refused.status, kTransferFailed);
    EXPECT_EQ(refused.problem, "a definite-length block holds at most 999999999 bytes, not 1000000000");
    char again[kAddressSize] = "IEEE0:18";
    EXPECT_EQ(SendBlock(again, "WAV:DATA ", data, 1).status, 0);
}

} // namespace
