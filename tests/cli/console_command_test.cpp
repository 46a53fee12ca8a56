// quenbus console driven through piped input, on the default bench.
#include "cli/console_command.h"
#include "registry_test_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using ConsoleTest = RegistryTest;

struct ConsoleRun {
    int status;
    std::string out;
    std::string err;
};

ConsoleRun RunConsole(const std::string& address, const std::string& input)
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    int status = ConsoleCommand(address, 1000, ConsoleStreams{in, out, err, false});
    return ConsoleRun{status, out.str(), err.str()};
}

TEST_F(ConsoleTest, QueriesWritesReadsAndRepeatsFromHistory)
{
    ConsoleRun run = RunConsole("IEEE0:5", "*IDN?\r\nhello\n:read\n\n:history\n!2\n:read\n:quit\nnever?\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "*IDN?\n"
                       "hello\n"
                       "1  *IDN?\n"
                       "2  hello\n"
                       "hello\n"
                       "hello\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(ConsoleTest, SaysWhatFailedAndEndsWithFailure)
{
    ConsoleRun run = RunConsole("IEEE0:22", "MEAS:VOLT?\n:read\n:timeout 250\n:timeout soon\n:bogus\n!7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "+1.234500E+00\n\ntime-out 250 ms\n");
    EXPECT_EQ(run.err, "quenbus: IEEE0:22: send or read failed\n"
                       "quenbus: \"soon\" is not a time-out; give milliseconds, as :timeout 2000\n"
                       "quenbus: unknown console command :bogus; the commands are :read, :timeout MS, :raw, :hex, "
                       ":text, :clear, :trigger, :spoll, :local, :wait-srq [MS], :history, !N and :quit\n"
                       "quenbus: there is no line 7 in the history (:history lists it)\n");
}

TEST_F(ConsoleTest, RawAndHexRepliesAreWholeAndTextCutsThemAgain)
{
    std::string talker(300, ' ');
    for (size_t i = 0; i < talker.size(); ++i)
        talker[i] = static_cast<char>('A' + i % 26);
    for (const char* address : {"IEEE0:12", "hpib7,12"}) {
        SCOPED_TRACE(address);
        ConsoleRun run = RunConsole(address, ":raw\nDATA?\n:text\nDATA?\n");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, talker + "\n" + talker.substr(0, 255) + "\n");
    }
    // Bytes as they are, a NUL too; a read on its own is whole as well.
    ConsoleRun nul = RunConsole("IEEE0:13", ":raw\nDATA?\n:hex\nDATA?\n");
    EXPECT_EQ(nul.status, 0) << nul.err;
    EXPECT_EQ(nul.out, std::string("AB\0CD\n", 6) +
                           "00000000  41 42 00 43 44                                    |AB.CD|\n00000005\n");
    ConsoleRun read = RunConsole("IEEE0:12", "DATA\n:raw\n:read\n");
    EXPECT_EQ(read.out, talker + "\n");

    ConsoleRun silent = RunConsole("IEEE0:9", ":raw\nDATA?\n");
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err, "quenbus: IEEE0:9: send or read failed: the read failed: the device did not answer in "
                          "time\n");
}

TEST_F(ConsoleTest, GoesThroughSiclForAnAddressBeginningWithH)
{
    ConsoleRun run = RunConsole("hpib7,22", "*IDN?\n:read\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(run.err, "quenbus: the SICL library reads only in a query; end the line with ?\n");
}

TEST_F(ConsoleTest, RefusesAnAddressThatDoesNotFit)
{
    ConsoleRun run = RunConsole("IEEE0:22-and-then-some", "*IDN?\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
}

TEST_F(ConsoleTest, AnUnknownInterfaceFailsToOpen)
{
    ConsoleRun run = RunConsole("GPIB9:22", "*RST\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quenbus: GPIB9:22: open failed\n"
                       "quenbus: GPIB9:22: send or read failed\n"
                       "quenbus: GPIB9:22: close failed\n");
}

} // namespace
