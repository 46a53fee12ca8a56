// busblock and buswriteblock in our own MEX host, on the default bench
// (QUENBUS_MEX_BLOCKS=1; other runs skip them): blocks of every byte value,
// of 16 MiB, indefinite ones, a long text reply, a block written and read
// back, through the bus driver library and SICL.
#include "host_api.h"
#include "mex_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool BlocksRun()
{
    const char* value = std::getenv("QUENBUS_MEX_BLOCKS");
    return value && std::strcmp(value, "1") == 0;
}

mxArray* Text(const std::string& text)
{
    mwSize dimensions[2] = {1, text.size()};
    mxArray* array = mxCreateCharArray(2, dimensions);
    for (size_t i = 0; i < text.size(); ++i)
        mxGetChars(array)[i] = static_cast<unsigned char>(text[i]);
    return array;
}

mxArray* Bytes(const std::string& bytes, mxClassID classId = mxUINT8_CLASS)
{
    size_t size = classId == mxINT16_CLASS ? 2 : 1;
    mxArray* array = mxCreateNumericMatrix(1, bytes.size() / size, classId, mxREAL);
    std::memcpy(mxGetData(array), bytes.data(), bytes.size());
    return array;
}

struct Call {
    bool failed = false;
    std::string error;
    std::string data;   // busblock's first output, as bytes
    bool dataIsUint8 = false;
    double status = -1; // the status output
};

// Calls the command with the arguments (destroyed after) and takes its outputs apart.
Call CallBlock(const std::string& command, std::vector<mxArray*> arguments, int nlhs = 2)
{
    const MexFile& file = LoadedCommand(command);
    Call call;
    if (!file.Entry()) {
        call.failed = true;
        call.error = file.Error();
        return call;
    }
    mxArray* outputs[2] = {};
    char message[512] = "";
    call.failed = mexHostCall(file.Entry(), nlhs, outputs, static_cast<int>(arguments.size()),
                              const_cast<const mxArray**>(arguments.data()), message, sizeof message) != 0;
    call.error = message;
    mxArray* data = command == "busblock" ? outputs[0] : nullptr;
    mxArray* status = command == "busblock" ? outputs[1] : outputs[0];
    if (data) {
        call.dataIsUint8 = mxGetClassID(data) == mxUINT8_CLASS && mxGetM(data) == (mxGetN(data) ? 1u : mxGetM(data));
        call.data.assign(static_cast<const char*>(mxGetData(data)), mxGetNumberOfElements(data));
    }
    if (status && mxIsDouble(status))
        call.status = *mxGetPr(status);
    for (mxArray* output : outputs)
        mxDestroyArray(output);
    for (mxArray* argument : arguments)
        mxDestroyArray(argument);
    EXPECT_EQ(mxHostReleaseBlocks(), 0u) << command << ": mxCalloc blocks left allocated";
    return call;
}

// Payload byte i of the bench's blocks.
std::string Pattern(size_t length)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

class BlockCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!BlocksRun())
            GTEST_SKIP() << "QUENBUS_MEX_BLOCKS is not 1: this run's bench is not the default one";
    }
};

TEST_F(BlockCommands, ReadBlocksOfEveryByteValueAndAnyLengthThroughBothLibraries)
{
    for (const char* address : {"IEEE0:14", "hpib7,14"}) {
        Call definite = CallBlock("busblock", {Text(address), Text("CURV?")});
        ASSERT_FALSE(definite.failed) << definite.error;
        EXPECT_TRUE(definite.dataIsUint8) << address;
        EXPECT_EQ(definite.data, Pattern(256)) << address;
        EXPECT_EQ(definite.status, 0) << address;
    }
    Call indefinite = CallBlock("busblock", {Text("IEEE0:15"), Text("CURV?")});
    EXPECT_EQ(indefinite.data, Pattern(256));
    EXPECT_EQ(indefinite.status, 0);

    Call large = CallBlock("busblock", {Text("IEEE0:16"), Text("CURV?")}, 1);
    EXPECT_FALSE(large.failed) << large.error;
    EXPECT_EQ(large.data.size(), 16u * 1024 * 1024);
    EXPECT_TRUE(large.data == Pattern(16u * 1024 * 1024)) << "the 16 MiB block differs";

    // No block: the whole reply, 10,000 readings.
    Call readings = CallBlock("busblock", {Text("IEEE0:17"), Text("READ?")});
    EXPECT_EQ(readings.status, 0);
    ASSERT_FALSE(readings.data.empty());
    EXPECT_EQ(readings.data.compare(0, 14, "+1.000000E+00,"), 0);
    EXPECT_EQ(std::count(readings.data.begin(), readings.data.end(), ','), 9999);
    EXPECT_EQ(readings.data.back(), '\n');
}

TEST_F(BlockCommands, AWrittenBlockComesBackByteIdentical)
{
    // Every byte value, line feeds and carriage returns where a terminator would cut.
    const std::string payload = Pattern(256) + "\r\n\r";
    for (const char* address : {"IEEE0:18", "hpib7,18"}) {
        Call written = CallBlock("buswriteblock", {Text(address), Text("WAV:DATA "), Bytes(payload)});
        ASSERT_FALSE(written.failed) << written.error;
        EXPECT_EQ(written.status, 0) << address;
        Call read = CallBlock("busblock", {Text(address), Text("WAV:DATA?")});
        EXPECT_EQ(read.data, payload) << address;
    }
    // One byte; int16 values as their bytes in the host's order; characters one byte each.
    CallBlock("buswriteblock", {Text("IEEE0:18"), Text("WAV:DATA "), Bytes(std::string(1, '\x04'))});
    EXPECT_EQ(CallBlock("busblock", {Text("IEEE0:18"), Text("WAV:DATA?")}).data, std::string(1, '\x04'));
    CallBlock("buswriteblock", {Text("IEEE0:18"), Text("WAV:DATA "), Bytes(std::string("\x01\x80\xff\x7f", 4), mxINT16_CLASS)});
    EXPECT_EQ(CallBlock("busblock", {Text("IEEE0:18"), Text("WAV:DATA?")}).data, std::string("\x01\x80\xff\x7f", 4));
    CallBlock("buswriteblock", {Text("IEEE0:18"), Text("WAV:DATA "), Text("ab\ncd")});
    EXPECT_EQ(CallBlock("busblock", {Text("IEEE0:18"), Text("WAV:DATA?")}).data, "ab\ncd");
}

TEST_F(BlockCommands, RefuseBadArgumentsAndSayWhatFailed)
{
    Call missing = CallBlock("busblock", {Text("IEEE0:14")});
    EXPECT_TRUE(missing.failed);
    EXPECT_EQ(missing.error, "BUSBLOCK requires two or three input arguments.");
    Call longAddress = CallBlock("buswriteblock", {Text("IEEE0:14 and far too long"), Text("X"), Bytes("a")});
    EXPECT_TRUE(longAddress.failed);
    EXPECT_EQ(longAddress.error, "BUSWRITEBLOCK address must not be longer than 19 characters.");
    Call badData = CallBlock("buswriteblock", {Text("IEEE0:18"), Text("X"), nullptr}, 1);
    EXPECT_TRUE(badData.failed);

    // A limit below the block's length, and an interface that is not there.
    size_t warnings = mexHostWarnings();
    mxArray* limit = mxCreateDoubleMatrix(1, 1, mxREAL);
    *mxGetPr(limit) = 100;
    Call limited = CallBlock("busblock", {Text("IEEE0:14"), Text("CURV?"), limit});
    EXPECT_EQ(limited.status, 2);
    EXPECT_TRUE(limited.data.empty());
    EXPECT_EQ(mexHostWarnings(), warnings + 1);
    // As busquery: the open, the read and the close of a handle never opened fail.
    Call absent = CallBlock("busblock", {Text("IEEE9:14"), Text("CURV?")});
    EXPECT_EQ(absent.status, 7);
    EXPECT_EQ(mexHostWarnings(), warnings + 2);
}

} // namespace
