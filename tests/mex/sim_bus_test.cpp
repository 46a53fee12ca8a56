// The simulated bus and its instruments, and the bus log.
#include "simbus/sim_bus.h"
#include "simbus/trace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

SimBus BusFrom(const char* definition)
{
    Bench bench;
    std::string error;
    EXPECT_TRUE(ParseBench(definition, bench, error)) << error;
    return SimBus(bench);
}

// Sends a whole message and reads the whole answer, as with EOI both ways.
std::string Ask(SimBus& bus, int primary, const std::string& message)
{
    EXPECT_TRUE(bus.Write(primary, GPIB_NO_SECONDARY, message.data(), message.size(), true));
    char buffer[1024];
    size_t count = 0;
    if (!bus.Read(primary, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 0, &count))
        return "<time-out>";
    return std::string(buffer, count);
}

TEST(SimulatedBus, DefaultInstrumentsAnswerLikeRealOnes)
{
    SimBus bus = BusFrom(kDefaultBench);
    EXPECT_EQ(Ask(bus, 22, "*IDN?"), std::string(kDefaultIdentification) + "\n");
    EXPECT_EQ(Ask(bus, 22, "meas:volt?\r\n"), "+1.234500E+00\n");
    EXPECT_EQ(Ask(bus, 22, "*RST"), "<time-out>");
    EXPECT_EQ(Ask(bus, 22, "*IDN"), "<time-out>");
    EXPECT_EQ(Ask(bus, 5, "hello there\r\n"), "hello there");
    EXPECT_EQ(Ask(bus, 9, "*IDN?"), "<time-out>");
    std::string talk = Ask(bus, 12, "x");
    ASSERT_EQ(talk.size(), 300u);
    EXPECT_EQ(talk.substr(0, 3), "ABC");
    EXPECT_EQ(talk.substr(25, 3), "ZAB");
    EXPECT_EQ(Ask(bus, 13, "x"), std::string("AB\0CD", 5));
}

TEST(SimulatedBus, NothingListensWhereNoInstrumentIs)
{
    SimBus bus = BusFrom("4,7 echo\n");
    EXPECT_FALSE(bus.Write(3, GPIB_NO_SECONDARY, "x", 1, true));
    EXPECT_FALSE(bus.Write(4, GPIB_NO_SECONDARY, "x", 1, true));
    EXPECT_FALSE(bus.Write(4, 6, "x", 1, true));
    EXPECT_TRUE(bus.Write(4, 7, "x", 1, true));
    char buffer[8];
    size_t count = 99;
    EXPECT_FALSE(bus.Read(3, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 0, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(bus.Read(4, 7, buffer, sizeof buffer, true, -1, 0, &count));
    EXPECT_EQ(std::string(buffer, count), "x");
}

TEST(SimulatedBus, AMessageEndsWithEndAndReplacesTheUnreadAnswer)
{
    SimBus bus = BusFrom("5 echo\n");
    ASSERT_TRUE(bus.Write(5, GPIB_NO_SECONDARY, "first", 5, true));
    ASSERT_TRUE(bus.Write(5, GPIB_NO_SECONDARY, "sec", 3, false));
    ASSERT_TRUE(bus.Write(5, GPIB_NO_SECONDARY, "ond", 3, true));
    char buffer[16];
    size_t count = 0;
    ASSERT_TRUE(bus.Read(5, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 0, &count));
    EXPECT_EQ(std::string(buffer, count), "second");
}

TEST(SimulatedBus, ReadsEndWithEndTheEosCharacterOrAFullBuffer)
{
    SimBus bus = BusFrom("3 reply \"one\\rtwo\"\n");
    char buffer[16];
    size_t count = 0;
    ASSERT_TRUE(bus.Write(3, GPIB_NO_SECONDARY, "", 0, true));
    ASSERT_TRUE(bus.Read(3, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, '\r', 0, &count));
    EXPECT_EQ(std::string(buffer, count), "one\r");
    ASSERT_TRUE(bus.Read(3, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, '\r', 0, &count));
    EXPECT_EQ(std::string(buffer, count), "two");

    // Without EOI the end of the answer is not seen: the read times out with what came.
    ASSERT_TRUE(bus.Write(3, GPIB_NO_SECONDARY, "", 0, true));
    EXPECT_FALSE(bus.Read(3, GPIB_NO_SECONDARY, buffer, sizeof buffer, false, -1, 0, &count));
    EXPECT_EQ(std::string(buffer, count), "one\rtwo");

    ASSERT_TRUE(bus.Write(3, GPIB_NO_SECONDARY, "", 0, true));
    ASSERT_TRUE(bus.Read(3, GPIB_NO_SECONDARY, buffer, 2, false, -1, 0, &count));
    EXPECT_EQ(std::string(buffer, count), "on");
    bus.Clear(3, GPIB_NO_SECONDARY);
    EXPECT_FALSE(bus.Read(3, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 0, &count));
    EXPECT_EQ(count, 0u);
}

TEST(SimulatedBus, TimeOutsWaitOnlyOnARealTimeBench)
{
    using Clock = std::chrono::steady_clock;
    char buffer[4];
    size_t count = 0;
    SimBus simulated = BusFrom("9 silent\n");
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(simulated.Read(9, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 60000, &count));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));

    SimBus real = BusFrom("timing real\n9 silent\n");
    start = Clock::now();
    EXPECT_FALSE(real.Read(9, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 50, &count));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
}

TEST(SimulatedBus, EachInterfaceHasABusOfItsOwn)
{
    SimBus& ieee0 = BusOf("IEEE0");
    EXPECT_EQ(&BusOf("ieee0"), &ieee0);
    EXPECT_NE(&BusOf("IEEE1"), &ieee0);
    ASSERT_TRUE(ieee0.Write(5, GPIB_NO_SECONDARY, "zero", 4, true));
    ASSERT_TRUE(BusOf("IEEE1").Write(5, GPIB_NO_SECONDARY, "one", 3, true));
    char buffer[8];
    size_t count = 0;
    ASSERT_TRUE(ieee0.Read(5, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, -1, 0, &count));
    EXPECT_EQ(std::string(buffer, count), "zero");
}

TEST(BusLog, QuotesBytesAndAppendsLinesToTheNamedFile)
{
    EXPECT_EQ(Quoted(std::string("a\"b\\c\n\r\t\0\x7F\xFF", 11).c_str(), 11), "\"a\\\"b\\\\c\\n\\r\\t\\x00\\x7F\\xFF\"");
    EXPECT_EQ(Quoted(nullptr), "(null)");

    const char* file = "bus_log_test.log";
    std::remove(file);
#ifdef _WIN32
    _putenv("QUENBUS_SIMBUS_TRACE=bus_log_test.log");
#else
    setenv("QUENBUS_SIMBUS_TRACE", file, 1);
#endif
    EXPECT_TRUE(TraceEnabled());
    TraceLine("first");
    TraceLine("second");
#ifdef _WIN32
    _putenv("QUENBUS_SIMBUS_TRACE=");
#else
    unsetenv("QUENBUS_SIMBUS_TRACE");
#endif
    EXPECT_FALSE(TraceEnabled());
    TraceLine("not written");
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "first\nsecond\n");
    in.close();
    std::remove(file);
}

} // namespace
