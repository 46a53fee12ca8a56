// quenbus query with --raw, --block, --hex and --output, write with
// --block-file, and the notice of a reply busquery's 255 characters cut, on
// the default bench: natively and under Wine.
#include "cli/block_file_command.h"
#include "cli/long_query_command.h"
#include "cli/transfer_command.h"
#include "registry_test_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const char kWave[] = "cli_wave.bin";
const char kSent[] = "cli_sent.bin";

std::string FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path)
{
    return std::ifstream(path).good();
}

void WriteFile(const char* path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Byte i is i % 256, as the bench's blocks have it.
std::string Counting(size_t length)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

struct QueryRun {
    int status;
    std::string out;
    std::string err;
};

QueryRun Query(const std::string& address, const std::string& text, const LongQueryOptions& options)
{
    std::ostringstream out;
    std::ostringstream err;
    int status = LongQueryCommand(address, text, options, out, err);
    return QueryRun{status, out.str(), err.str()};
}

LongQueryOptions Whole()
{
    LongQueryOptions options;
    options.timeoutMs = 1000;
    return options;
}

LongQueryOptions Block()
{
    LongQueryOptions options = Whole();
    options.block = true;
    return options;
}

class LongTransfer : public RegistryTest {
protected:
    void TearDown() override
    {
        for (std::string file : {kWave, kSent}) {
            std::remove(file.c_str());
            std::remove((file + ".partial").c_str());
        }
        RegistryTest::TearDown();
    }
};

TEST_F(LongTransfer, RawGivesTheWholeReplyBytesAsTheyAre)
{
    QueryRun talker = Query("IEEE0:12", "DATA?", Whole());
    EXPECT_EQ(talker.status, 0) << talker.err;
    ASSERT_EQ(talker.out.size(), 300u);
    EXPECT_EQ(talker.out.substr(250, 10), "QRSTUVWXYZ");
    EXPECT_EQ(talker.err, "");
    EXPECT_EQ(Query("IEEE0:13", "DATA?", Whole()).out, std::string("AB\0CD", 5));
    EXPECT_EQ(Query("hpib7,13", "DATA?", Whole()).out, std::string("AB\0CD", 5));

    QueryRun readings = Query("IEEE0:17", "READ?", Whole());
    EXPECT_EQ(readings.status, 0) << readings.err;
    EXPECT_EQ(readings.out.size(), 10000u * 14);
    EXPECT_EQ(readings.out.substr(0, 28), "+1.000000E+00,+1.001000E+00,");
    EXPECT_EQ(readings.out.substr(readings.out.size() - 14), "+1.099900E+01\n");
}

TEST_F(LongTransfer, BlockGivesThePayloadOfEitherFormOnBothPaths)
{
    for (const char* address : {"IEEE0:14", "IEEE0:15", "hpib7,14", "hpib7,15"}) {
        SCOPED_TRACE(address);
        QueryRun block = Query(address, "CURV?", Block());
        EXPECT_EQ(block.status, 0) << block.err;
        EXPECT_EQ(block.out, Counting(256));
        EXPECT_EQ(block.err, "");
    }
    // Without --block the header and the terminator are the reply's too; a
    // carriage return inside does not end it.
    EXPECT_EQ(Query("IEEE0:14", "CURV?", Whole()).out, "#3256" + Counting(256) + "\n");
    EXPECT_EQ(Query("hpib7,14", "CURV?", Whole()).out, "#3256" + Counting(256) + "\n");

    QueryRun text = Query("IEEE0:22", "*IDN?", Block());
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(text.err, "quenbus: the reply holds no IEEE 488.2 block; all of it is shown\n");
}

TEST_F(LongTransfer, HexDumpsThePayloadOrTheWholeReply)
{
    LongQueryOptions hex = Block();
    hex.hex = true;
    QueryRun block = Query("IEEE0:14", "CURV?", hex);
    EXPECT_EQ(block.status, 0) << block.err;
    std::istringstream lines(block.out);
    std::string first;
    std::string line;
    std::getline(lines, first);
    EXPECT_EQ(first, "00000000  00 01 02 03 04 05 06 07  08 09 0a 0b 0c 0d 0e 0f  |................|");
    int count = 1;
    std::string previous;
    while (std::getline(lines, line)) {
        ++count;
        if (line.compare(0, 8, "00000040") == 0) {
            EXPECT_EQ(line, "00000040  40 41 42 43 44 45 46 47  48 49 4a 4b 4c 4d 4e 4f  |@ABCDEFGHIJKLMNO|");
        }
        previous.swap(line);
    }
    EXPECT_EQ(count, 17);
    EXPECT_EQ(previous, "00000100");

    LongQueryOptions whole = Whole();
    whole.hex = true;
    EXPECT_EQ(Query("IEEE0:13", "DATA?", whole).out,
              "00000000  41 42 00 43 44                                    |AB.CD|\n00000005\n");
}

TEST_F(LongTransfer, OutputWritesTheFileWholeAndSaysHowMuch)
{
    LongQueryOptions output = Block();
    output.outputFile = kWave;
    output.quiet = true;
    QueryRun large = Query("IEEE0:16", "CURV?", output);
    EXPECT_EQ(large.status, 0) << large.err;
    EXPECT_EQ(large.out, "");
    EXPECT_EQ(large.err, "quenbus: wrote 16777216 bytes to cli_wave.bin\n");
    EXPECT_TRUE(FileBytes(kWave) == Counting(16777216)) << "the file differs from the block's payload";
    EXPECT_FALSE(Exists(std::string(kWave) + ".partial"));
}

TEST_F(LongTransfer, AFailedTransferLeavesNoFileAndSaysWhy)
{
    WriteFile(kWave, "older");
    LongQueryOptions output = Block();
    output.outputFile = kWave;
    // The echo answers a block that ends before its announced length.
    QueryRun shorter = Query("IEEE0:5", "#19ABC", output);
    EXPECT_EQ(shorter.status, 1);
    EXPECT_EQ(shorter.err, "quenbus: IEEE0:5: status 2 (send or read failed): a malformed block: the block ends "
                           "after 3 of the 9 bytes it announced\n");
    EXPECT_EQ(FileBytes(kWave), "older");
    EXPECT_FALSE(Exists(std::string(kWave) + ".partial"));

    output.limit = 1000;
    QueryRun longer = Query("IEEE0:16", "CURV?", output);
    EXPECT_EQ(longer.status, 1);
    EXPECT_NE(longer.err.find("the block announces 16777216 bytes, more than the limit of 1000 bytes (--limit"),
              std::string::npos)
        << longer.err;
    EXPECT_EQ(FileBytes(kWave), "older");

    QueryRun silent = Query("IEEE0:9", "CURV?", Whole());
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err, "quenbus: IEEE0:9: status 2 (send or read failed): the read failed: the device did not "
                          "answer in time\n");
    QueryRun nobody = Query("IEEE0:3", "CURV?", Whole());
    EXPECT_EQ(nobody.status, 1);
    EXPECT_EQ(nobody.err, "quenbus: IEEE0:3: status 2 (send or read failed): the command was not sent: nothing "
                          "listens at that address\n");
    EXPECT_EQ(Query("IEEE0:22:and-more-than-19", "*IDN?", Whole()).status, 2);
}

TEST_F(LongTransfer, ABlockFileSentToTheStoreComesBackByteForByte)
{
    std::string payload = Counting(256) + "\r\n" + Counting(70000);
    WriteFile(kSent, payload);
    for (const char* address : {"IEEE0:18", "hpib7,18"}) {
        SCOPED_TRACE(address);
        std::ostringstream err;
        EXPECT_EQ(BlockFileCommand(address, "WAV:DATA ", kSent, BlockFileOptions(), err), 0) << err.str();
        EXPECT_EQ(err.str(), "");
        LongQueryOptions output = Block();
        output.outputFile = kWave;
        QueryRun back = Query(address, "WAV:DATA?", output);
        EXPECT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(FileBytes(kWave) == payload) << "the stored block differs from the file sent";
    }
    // An empty file: the header alone goes with END.
    WriteFile(kSent, "");
    std::ostringstream err;
    EXPECT_EQ(BlockFileCommand("IEEE0:18", "WAV:DATA ", kSent, BlockFileOptions(), err), 0) << err.str();
    QueryRun empty = Query("IEEE0:18", "WAV:DATA?", Block());
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
}

TEST_F(LongTransfer, ABlockFileFailsAsWriteDoes)
{
    std::ostringstream err;
    EXPECT_EQ(BlockFileCommand("IEEE0:18", "WAV:DATA ", "cli_missing.bin", BlockFileOptions(), err), 1);
    EXPECT_EQ(err.str(), "quenbus: cannot read cli_missing.bin\n");
    WriteFile(kSent, "abc");
    err.str("");
    EXPECT_EQ(BlockFileCommand("IEEE0:3", "WAV:DATA ", kSent, BlockFileOptions(), err), 1);
    EXPECT_EQ(err.str(), "quenbus: IEEE0:3: status 2 (send or read failed): the block was not sent: nothing listens "
                         "at that address\n");
    err.str("");
    EXPECT_EQ(BlockFileCommand("GPIB9:18", "WAV:DATA ", kSent, BlockFileOptions(), err), 1);
    EXPECT_NE(err.str().find("status 1 (open failed); there is no interface named GPIB9"), std::string::npos)
        << err.str();
}

// busquery's text and status, whichever way the tool reads.
TEST_F(LongTransfer, NoticingACutChangesNeitherTextNorStatus)
{
    TransferOptions noticing;
    noticing.noticeCut = true;
    for (const char* address : {"IEEE0:5", "IEEE0:9", "IEEE0:12", "IEEE0:13", "IEEE0:14", "IEEE0:16", "IEEE0:17",
                                "IEEE0:22", "IEEE0:3", "hpib7,12", "hpib7,13", "hpib7,9"}) {
        for (const char* text : {"*IDN?", "DATA?"}) {
            SCOPED_TRACE(std::string(address) + " " + text);
            TransferResult matlab = RunTransfer(address, text, true);
            TransferResult tool = RunTransfer(address, text, true, noticing);
            EXPECT_EQ(tool.reply, matlab.reply);
            EXPECT_EQ(tool.status, matlab.status);
        }
    }
}

TEST_F(LongTransfer, QuerySaysWhenItCutTheReplyAndPrintsWhatItDid)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(TransferCommand("IEEE0:12", "DATA?", true, out, err), 0);
    EXPECT_EQ(out.str(), RunTransfer("IEEE0:12", "DATA?", true).reply + "\n");
    EXPECT_EQ(out.str().size(), 256u);
    EXPECT_EQ(err.str(), "quenbus: the reply had 300 bytes; its first 255 are shown; --raw prints it whole\n");

    const struct {
        const char* address;
        const char* text;
        const char* notice;
    } kCuts[] = {
        {"IEEE0:13", "DATA?", "quenbus: the reply (5 bytes) holds a NUL byte after 2 characters and is shown up to it; "
                     "--raw prints it whole\n"},
        {"IEEE0:17", "READ?", "quenbus: the reply had 140000 bytes; its first 255 are shown; --raw prints it whole\n"},
        {"IEEE0:16", "CURV?", "quenbus: the reply (at least 24 bytes) holds a NUL byte after 10 characters and is "
                              "shown up to it; --raw prints it whole\n"},
        {"hpib7,12", "DATA?", "quenbus: the reply may go on past the 255 characters shown (the SICL library drops the "
                     "rest); --raw prints it whole\n"},
        {"IEEE0:22", "*IDN?", ""},
        {"hpib7,22", "*IDN?", ""},
    };
    for (const auto& cut : kCuts) {
        SCOPED_TRACE(cut.address);
        out.str("");
        err.str("");
        EXPECT_EQ(TransferCommand(cut.address, cut.text, true, out, err), 0);
        EXPECT_EQ(err.str(), cut.notice);
    }
}

} // namespace
