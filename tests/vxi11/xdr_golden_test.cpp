// The bytes of every call the library makes to a gateway, against the XDR
// of RFC 4506 and the VXI-11 structures written out by hand; and the
// reading of replies, whole, short, long and split.
#include "vxi11/core_channel.h"
#include "vxi11/onc_rpc.h"
#include "vxi11/portmapper.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Bytes from hexadecimal digits; spaces are for the eye.
std::string Hex(const char* digits)
{
    std::string bytes;
    int high = -1;
    for (const char* c = digits; *c; ++c) {
        if (*c == ' ')
            continue;
        int value = std::isdigit(static_cast<unsigned char>(*c)) ? *c - '0' : std::tolower(*c) - 'a' + 10;
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    return bytes;
}

TEST(VxiEncoding, EachCallHasItsFieldsInTheStructuresOrder)
{
    // Create_LinkParms: clientId, lockDevice, lock_timeout, device (padded to 4).
    EXPECT_EQ(EncodeCreateLink(1, false, 0, "gpib0,22"), Hex("00000001 00000000 00000000 00000008") + "gpib0,22");
    EXPECT_EQ(EncodeCreateLink(-2, true, 300, "gpib0,5"),
              Hex("fffffffe 00000001 0000012c 00000007") + "gpib0,5" + Hex("00"));
    // Device_WriteParms: lid, io_timeout, lock_timeout, flags, data.
    EXPECT_EQ(EncodeDeviceWrite(3, 1000, 0, kFlagEnd, "*IDN?\n", 6),
              Hex("00000003 000003e8 00000000 00000008 00000006") + "*IDN?\n" + Hex("0000"));
    EXPECT_EQ(EncodeDeviceWrite(3, 10, 0, 0, "", 0), Hex("00000003 0000000a 00000000 00000000 00000000"));
    // Device_ReadParms: lid, requestSize, io_timeout, lock_timeout, flags, termChar.
    EXPECT_EQ(EncodeDeviceRead(3, 256, 1000, 0, kFlagTermCharSet, '\n'),
              Hex("00000003 00000100 000003e8 00000000 00000080 0000000a"));
    // Device_GenericParms: lid, flags, lock_timeout, io_timeout -- the order of its own.
    EXPECT_EQ(EncodeGeneric(7, kFlagWaitLock, 500, 1000), Hex("00000007 00000001 000001f4 000003e8"));
    // Device_DocmdParms: lid, flags, io_timeout, lock_timeout, cmd, network_order, datasize, data_in.
    EXPECT_EQ(EncodeDocmd(2, 0, 1000, 0, kDocmdRenControl, true, 2, std::string("\0\1", 2)),
              Hex("00000002 00000000 000003e8 00000000 00020003 00000001 00000002 00000002 0001 0000"));
    EXPECT_EQ(EncodeLink(9), Hex("00000009"));
    // The portmapper's GETPORT: program, version, TCP, port 0.
    EXPECT_EQ(EncodeGetPort(kCoreProgram, kCoreVersion), Hex("000607af 00000001 00000006 00000000"));
}

TEST(VxiEncoding, ACallMessageCarriesAuthNullAndRecordsMarkTheirLastFragment)
{
    EXPECT_EQ(RpcCallMessage(0x12345678, kCoreProgram, kCoreVersion, kCreateLink, Hex("abcd")),
              Hex("12345678 00000000 00000002 000607af 00000001 0000000a 00000000 00000000 00000000 00000000 abcd"));
    EXPECT_EQ(RecordMarked("hello"), Hex("80000005") + "hello");
    EXPECT_EQ(RecordMarked("hello", 2), Hex("00000002") + "he" + Hex("00000002") + "ll" + Hex("80000001") + "o");
    EXPECT_EQ(RecordMarked(""), Hex("80000000"));
}

// A reply record: xid 1, accepted, AUTH_NULL verifier, the accept status, the results.
std::string Reply(const char* acceptStat, const std::string& results)
{
    return Hex("00000001 00000001 00000000 00000000 00000000") + Hex(acceptStat) + results;
}

TEST(VxiReplies, AReplyIsCheckedBeforeItsResultsAreTaken)
{
    uint32_t xid = 0;
    std::string results;
    EXPECT_EQ(ParseRpcReply(Reply("00000000", Hex("00000000 00000009")), xid, results), RpcReply::Success);
    EXPECT_EQ(xid, 1u);
    EXPECT_EQ(results, Hex("00000000 00000009"));
    // A verifier with a body: the results begin after it.
    std::string verified = Hex("00000002 00000001 00000000 00000001 00000003") + "abc" + Hex("00") + Hex("00000000 0000002a");
    EXPECT_EQ(ParseRpcReply(verified, xid, results), RpcReply::Success);
    EXPECT_EQ(xid, 2u);
    EXPECT_EQ(results, Hex("0000002a"));
    EXPECT_EQ(ParseRpcReply(Reply("00000001", ""), xid, results), RpcReply::ProgramUnavailable);
    EXPECT_EQ(ParseRpcReply(Reply("00000003", ""), xid, results), RpcReply::ProgramUnavailable);
    EXPECT_EQ(ParseRpcReply(Reply("00000004", ""), xid, results), RpcReply::GarbageArguments);
    EXPECT_EQ(ParseRpcReply(Reply("00000005", ""), xid, results), RpcReply::SystemError);
    EXPECT_EQ(ParseRpcReply(Hex("00000001 00000001 00000001 00000000 00000002 00000002"), xid, results),
              RpcReply::Denied);
    EXPECT_EQ(ParseRpcReply(Hex("00000001 00000000 00000002"), xid, results), RpcReply::Malformed) << "a call";
    EXPECT_EQ(ParseRpcReply(Hex("00000001 00000001"), xid, results), RpcReply::Malformed) << "short";
    EXPECT_EQ(ParseRpcReply(Reply("00000009", ""), xid, results), RpcReply::Malformed);
}

TEST(VxiReplies, ResultsAreTakenWholeAndNothingElse)
{
    CreateLinkReply link;
    ASSERT_TRUE(DecodeCreateLink(Hex("00000000 00000005 00000000 00000400"), link));
    EXPECT_EQ(link.lid, 5);
    EXPECT_EQ(link.maxRecvSize, 1024u);
    EXPECT_FALSE(DecodeCreateLink(Hex("00000000 00000005 00000000"), link)) << "short";
    EXPECT_FALSE(DecodeCreateLink(Hex("00000000 00000005 00000000 00000400 00"), link)) << "long";

    ReadReply read;
    ASSERT_TRUE(DecodeDeviceRead(Hex("00000000 00000004 00000003") + "ab\n" + Hex("00"), 3, read));
    EXPECT_EQ(read.reason, kReasonEnd);
    EXPECT_EQ(read.data, "ab\n");
    EXPECT_FALSE(DecodeDeviceRead(Hex("00000000 00000004 00000003") + "ab\n" + Hex("00"), 2, read))
        << "more data than was asked";
    EXPECT_FALSE(DecodeDeviceRead(Hex("00000000 00000004 00000003") + "ab\n", 3, read)) << "no padding";
    EXPECT_FALSE(DecodeDeviceRead(Hex("00000000 00000004 ffffffff"), 1u << 20, read)) << "a length beyond the bytes";

    WriteReply write;
    ASSERT_TRUE(DecodeDeviceWrite(Hex("00000000 00000006"), write));
    EXPECT_EQ(write.size, 6u);
    StatusByteReply stb;
    ASSERT_TRUE(DecodeReadStb(Hex("00000000 00000050"), stb));
    EXPECT_EQ(stb.stb, 0x50);
    EXPECT_FALSE(DecodeReadStb(Hex("00000000 00000150"), stb)) << "a status byte beyond 255";
    int32_t error = 0;
    ASSERT_TRUE(DecodeError(Hex("0000000f"), error));
    EXPECT_EQ(error, kVxiTimeout);
    DocmdReply docmd;
    ASSERT_TRUE(DecodeDocmd(Hex("00000008 00000000"), 8, docmd));
    EXPECT_EQ(docmd.error, kVxiNotSupported);
    uint32_t port = 0;
    ASSERT_TRUE(DecodeGetPort(Hex("00000403"), port));
    EXPECT_EQ(port, 1027u);
}

TEST(VxiReplies, RecordsAreGatheredFromFragmentsHoweverTheBytesCome)
{
    const std::string stream = RecordMarked("first record", 5) + RecordMarked("second");
    for (size_t chunk : {1u, 3u, 7u, 100u}) {
        RecordReader reader(64);
        std::string record;
        std::string taken;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            reader.Add(stream.data() + at, std::min(chunk, stream.size() - at));
            while (reader.TakeRecord(record))
                taken += "[" + record + "]";
        }
        EXPECT_EQ(taken, "[first record][second]") << chunk;
        EXPECT_FALSE(reader.Failed());
    }
    // A record beyond the limit fails the stream, also when its fragments are small.
    RecordReader small(8);
    std::string oversized = RecordMarked("123456789", 4);
    small.Add(oversized.data(), oversized.size());
    std::string record;
    EXPECT_FALSE(small.TakeRecord(record));
    EXPECT_TRUE(small.Failed());
}

} // namespace
