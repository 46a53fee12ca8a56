// busclear, bustrigger, busspoll, buswaitsrq and buslocal in our own MEX host,
// busquery and buswrite setting the multimeter up. On the default bench
// (QUENBUS_MEX_BLOCKS=1, also where a run binds IEEE0 to an adapter; other
// runs skip them): a measurement's service request through both libraries,
// a write between the request and the poll, trigger, clear and local, bad
// input, and failures in the status. Beside the bus driver library without
// the operations (QUENBUS_MEX_BASIC=1, a process of its own): busclear's
// failure, busquery still working.
#include "host_api.h"
#include "mex_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool RunSet(const char* variable)
{
    const char* value = std::getenv(variable);
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

mxArray* Number(double value)
{
    mxArray* array = mxCreateDoubleMatrix(1, 1, mxREAL);
    *mxGetPr(array) = value;
    return array;
}

mxArray* Int32(int32_t value)
{
    mxArray* array = mxCreateNumericMatrix(1, 1, mxINT32_CLASS, mxREAL);
    std::memcpy(mxGetData(array), &value, sizeof value);
    return array;
}

struct Call {
    bool failed = false;
    std::string error;
    std::string text;            // the first output when it is characters (busquery's reply)
    std::vector<double> numbers; // each output that is a double scalar; NaN for another
    std::string warning;         // the warning it showed, empty for none
};

// Calls the command with the arguments (destroyed after) and takes its outputs apart.
Call CallCommand(const std::string& command, std::vector<mxArray*> arguments, int nlhs = 1)
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
    size_t warnings = mexHostWarnings();
    call.failed = mexHostCall(file.Entry(), nlhs, outputs, static_cast<int>(arguments.size()),
                              const_cast<const mxArray**>(arguments.data()), message, sizeof message) != 0;
    call.error = message;
    if (mexHostWarnings() != warnings)
        call.warning = mexHostLastWarning();
    for (int i = 0; i < nlhs && outputs[i]; ++i) {
        mxArray* output = outputs[i];
        if (mxIsChar(output) && i == 0) {
            for (size_t k = 0; k < mxGetNumberOfElements(output); ++k)
                call.text += static_cast<char>(mxGetChars(output)[k]);
        }
        bool scalar = mxIsDouble(output) && mxGetNumberOfElements(output) == 1;
        call.numbers.push_back(scalar ? *mxGetPr(output) : NAN);
    }
    for (mxArray* output : outputs)
        mxDestroyArray(output);
    for (mxArray* argument : arguments)
        mxDestroyArray(argument);
    EXPECT_EQ(mxHostReleaseBlocks(), 0u) << command << ": mxCalloc blocks left allocated";
    return call;
}

// buswrite's status.
double Write(const std::string& address, const std::string& text)
{
    Call call = CallCommand("buswrite", {Text(address), Text(text)});
    EXPECT_FALSE(call.failed) << call.error;
    return call.numbers.empty() ? NAN : call.numbers[0];
}

std::string Query(const std::string& address, const std::string& text)
{
    return CallCommand("busquery", {Text(address), Text(text)}).text;
}

// [stb, status] of busspoll, or of buswaitsrq with the time-out.
Call Poll(const std::string& address)
{
    return CallCommand("busspoll", {Text(address)}, 2);
}

Call Wait(const std::string& address, mxArray* timeout)
{
    return CallCommand("buswaitsrq", {Text(address), timeout}, 2);
}

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

const char* const kAddresses[] = {"IEEE0:22", "hpib7,22"};
// A request at once: the operation-complete event, enabled into the status byte.
const char kRequestNow[] = "*CLS;*ESE 1;*SRE 32;*OPC";

class OperationCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RunSet("QUENBUS_MEX_BLOCKS"))
            GTEST_SKIP() << "QUENBUS_MEX_BLOCKS is not 1: this run's bench is not the default one";
    }
};

TEST_F(OperationCommands, AMeasurementEndsWithAServiceRequestThroughBothLibraries)
{
    for (const char* address : kAddresses) {
        SCOPED_TRACE(address);
        Write(address, "*CLS;*ESE 1;*SRE 32");
        Clock::time_point started = Clock::now();
        Write(address, "INIT;*OPC");
        Call waited = Wait(address, Number(5000));
        double seconds = Seconds(started);
        ASSERT_FALSE(waited.failed) << waited.error;
        ASSERT_EQ(waited.numbers.size(), 2u);
        EXPECT_EQ(waited.numbers[0], 96); // RQS and ESB
        EXPECT_EQ(waited.numbers[1], 0);
        EXPECT_GE(seconds, 0.2) << "the measurement takes 200 ms";
        EXPECT_LT(seconds, 3.0);

        Call polled = Poll(address);
        EXPECT_EQ(polled.numbers, (std::vector<double>{32, 0})) << "the wait's poll took the request";
        EXPECT_EQ(Query(address, "FETC?").compare(0, 7, "+1.2345"), 0);

        // Waits without end, and a time-out of another class, see the request come.
        for (mxArray* timeout : {Number(HUGE_VAL), Number(4294967295.0), Int32(1000)}) {
            Write(address, "*CLS;*ESE 1;*SRE 32");
            Write(address, "INIT;*OPC");
            EXPECT_EQ(Wait(address, timeout).numbers, (std::vector<double>{96, 0}));
        }

        // No request: a wait of 0 looks once; a longer one ends with its time-out.
        Write(address, "*CLS;*SRE 0");
        Poll(address);
        started = Clock::now();
        Call none = Wait(address, Number(0));
        EXPECT_LT(Seconds(started), 1.0);
        EXPECT_EQ(none.numbers, (std::vector<double>{0, 2}));
        EXPECT_EQ(none.warning.compare(0, 12, "BUSWAITSRQ: "), 0) << none.warning;
        started = Clock::now();
        EXPECT_EQ(Wait(address, Number(300)).numbers, (std::vector<double>{0, 2}));
        double timedOut = Seconds(started);
        EXPECT_GE(timedOut, 0.3);
        EXPECT_LT(timedOut, 3.0);
    }
}

// A write must not take the request that a poll is to find (a write through
// an adapter looks for a listener with a poll of its own).
TEST_F(OperationCommands, AWriteBetweenTheRequestAndThePollLeavesTheRequest)
{
    for (const char* address : kAddresses) {
        SCOPED_TRACE(address);
        EXPECT_EQ(Write(address, kRequestNow), 0);
        EXPECT_EQ(Write(address, "*ESE 1"), 0);
        EXPECT_EQ(Poll(address).numbers, (std::vector<double>{96, 0}));
        EXPECT_EQ(Poll(address).numbers, (std::vector<double>{32, 0})) << "the poll took the request";
    }
}

TEST_F(OperationCommands, TriggerClearAndLocalReachTheInstrument)
{
    for (const char* address : kAddresses) {
        SCOPED_TRACE(address);
        std::string before = Query(address, "FETC?");
        EXPECT_EQ(CallCommand("bustrigger", {Text(address)}).numbers, std::vector<double>{0});
        std::string after = Query(address, "FETC?");
        EXPECT_NE(before, after) << "the trigger makes a new reading";

        Write(address, "*CLS;*SRE 0");
        Write(address, "*IDN?");
        EXPECT_EQ(Poll(address).numbers, (std::vector<double>{16, 0})) << "the reply waits";
        EXPECT_EQ(CallCommand("busclear", {Text(address)}).numbers, std::vector<double>{0});
        EXPECT_EQ(Poll(address).numbers, (std::vector<double>{0, 0})) << "the clear dropped it";
        EXPECT_EQ(Query(address, "MEAS:VOLT?").compare(0, 13, "+1.234500E+00"), 0);

        EXPECT_EQ(CallCommand("buslocal", {Text(address)}).numbers, std::vector<double>{0});
    }
}

TEST_F(OperationCommands, RefuseBadArguments)
{
    struct Refused {
        const char* command;
        std::vector<mxArray*> arguments;
        const char* error;
    };
    const char* const kTimeoutError =
        "BUSWAITSRQ timeout should be a whole number of milliseconds, 0 to 4294967295, or Inf.";
    std::vector<Refused> refused = {
        {"busclear", {}, "BUSCLEAR requires one input argument."},
        {"bustrigger", {Text("IEEE0:22"), Text("IEEE0:22")}, "BUSTRIGGER requires one input argument."},
        {"busspoll", {Number(22)}, "BUSSPOLL address should be a string."},
        {"buslocal", {Text("IEEE0:22 and far too long")}, "BUSLOCAL address must not be longer than 19 characters."},
        {"buswaitsrq", {Text("IEEE0:22")}, "BUSWAITSRQ requires two input arguments."},
        {"buswaitsrq", {Number(22), Number(0)}, "BUSWAITSRQ address should be a string."},
        {"buswaitsrq", {Text("IEEE0:22"), Text("5")}, kTimeoutError},
        {"buswaitsrq", {Text("IEEE0:22"), mxCreateDoubleMatrix(1, 2, mxREAL)}, kTimeoutError},
        {"buswaitsrq", {Text("IEEE0:22"), Int32(-1)}, kTimeoutError},
    };
    const double nan = std::nan(""), infinity = HUGE_VAL;
    for (double timeout : {-1.0, nan, 1.5, 4294967296.0, -infinity})
        refused.push_back({"buswaitsrq", {Text("IEEE0:22"), Number(timeout)}, kTimeoutError});
    for (Refused& call : refused) {
        Call made = CallCommand(call.command, call.arguments);
        EXPECT_TRUE(made.failed) << call.command << ": " << call.error;
        EXPECT_EQ(made.error, call.error);
    }
}

TEST_F(OperationCommands, FailuresComeBackInTheStatusWithAWarning)
{
    for (const char* command : {"busclear", "bustrigger", "busspoll", "buswaitsrq", "buslocal"}) {
        const bool answers = std::strcmp(command, "busspoll") == 0 || std::strcmp(command, "buswaitsrq") == 0;
        for (const char* address : {"BOGUS:22", "IEEE0:99"}) {
            SCOPED_TRACE(std::string(command) + " at " + address);
            std::vector<mxArray*> arguments = {Text(address)};
            if (std::strcmp(command, "buswaitsrq") == 0)
                arguments.push_back(Number(0));
            Call call = CallCommand(command, arguments, answers ? 2 : 1);
            ASSERT_EQ(call.numbers.size(), answers ? 2u : 1u);
            EXPECT_EQ(static_cast<int>(call.numbers.back()) & 1, 1) << "the open fails";
            EXPECT_NE(call.warning.find(": cannot open the instrument"), std::string::npos) << call.warning;
        }
    }
    // Nothing listens at 7 (an adapter learns that from the poll alone).
    Call absent = Poll("IEEE0:7");
    EXPECT_EQ(absent.numbers, (std::vector<double>{0, 2}));
    EXPECT_EQ(absent.warning.compare(0, 10, "BUSSPOLL: "), 0) << absent.warning;
}

TEST(BasicLibrary, BusclearSaysTheLibraryLacksTheCallAndBusqueryWorks)
{
    if (!RunSet("QUENBUS_MEX_BASIC"))
        GTEST_SKIP() << "QUENBUS_MEX_BASIC is not 1: the MEX files are not beside the library without the operations";
    Call identified = CallCommand("busquery", {Text("IEEE0:22"), Text("*IDN?")}, 2);
    ASSERT_FALSE(identified.failed) << identified.error;
    EXPECT_EQ(identified.text.compare(0, 23, "Simbus,Multimeter,0,1.0"), 0) << identified.text;
    EXPECT_EQ(identified.numbers.back(), 0);

    Call cleared = CallCommand("busclear", {Text("IEEE0:22")});
    ASSERT_FALSE(cleared.failed) << cleared.error;
    EXPECT_EQ(cleared.numbers, std::vector<double>{2});
    EXPECT_EQ(cleared.warning, "BUSCLEAR: the bus driver library on this machine does not offer DrvClear");
    // The SICL library beside it has the operations.
    EXPECT_EQ(CallCommand("busclear", {Text("hpib7,22")}).numbers, std::vector<double>{0});
}

} // namespace
