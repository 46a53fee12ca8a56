// The simulated bus and its instruments, and the bus log.
#include "simbus/sim_bus.h"
#include "simbus/trace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

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

// Reads in reads of `piece` bytes until one ends otherwise than with its
// buffer full; `last` gets how that one ended.
std::string ReadInPieces(SimBus& bus, int primary, size_t piece, ReadEnd& last)
{
    std::string said;
    std::vector<char> buffer(piece);
    for (;;) {
        size_t count = 0;
        ReadEnd ended = ReadEnd::None;
        bus.Read(primary, GPIB_NO_SECONDARY, buffer.data(), piece, true, -1, 0, &count, &ended);
        said.append(buffer.data(), count);
        if (ended != ReadEnd::BufferFull) {
            last = ended;
            return said;
        }
    }
}

// Where `text` from `offset` first differs from `length` counting bytes
// (byte i is i % 256); npos when it holds them all.
size_t CountingMismatch(const std::string& text, size_t offset, size_t length)
{
    if (text.size() < offset + length)
        return text.size() < offset ? 0 : text.size() - offset;
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[offset + i]) != i % 256)
            return i;
    }
    return std::string::npos;
}

void Send(SimBus& bus, int primary, const std::string& message)
{
    EXPECT_TRUE(bus.Write(primary, GPIB_NO_SECONDARY, message.data(), message.size(), true));
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
    EXPECT_EQ(Ask(bus, 14, "*idn?\n"), "Simbus,Block,0,1.0\n");
    EXPECT_EQ(Ask(bus, 15, "*IDN?"), "Simbus,Indefinite,0,1.0\n");
    EXPECT_EQ(Ask(bus, 16, "*IDN?"), "Simbus,Block,0,1.0\n");
    EXPECT_EQ(Ask(bus, 17, "*IDN?"), "Simbus,Readings,0,1.0\n");
    EXPECT_EQ(Ask(bus, 18, "*IDN?"), "Simbus,Store,0,1.0\n");
    EXPECT_EQ(Ask(bus, 18, "WAV:DATA?"), "#10\n") << "an empty store";
    for (int primary : {14, 15, 16, 17, 18})
        EXPECT_EQ(Ask(bus, primary, "*RST"), "<time-out>") << "only a query has an answer, at " << primary;
}

TEST(SimulatedBus, ABlockHoldsEveryByteValueAndEndComesWithItsLineFeedOnly)
{
    SimBus bus = BusFrom(kDefaultBench);
    Send(bus, 14, "CURV?\r\n");
    EXPECT_EQ(bus.Unsaid(14, GPIB_NO_SECONDARY), 5u + 256u + 1u);
    ReadEnd last = ReadEnd::None;
    std::string said = ReadInPieces(bus, 14, 7, last);
    EXPECT_EQ(last, ReadEnd::Eoi);
    ASSERT_EQ(said.size(), 5u + 256u + 1u) << "END ended a read early";
    EXPECT_EQ(said.substr(0, 5), "#3256");
    EXPECT_EQ(CountingMismatch(said, 5, 256), std::string::npos);
    EXPECT_EQ(said.back(), '\n');
    EXPECT_EQ(bus.Unsaid(14, GPIB_NO_SECONDARY), 0u);

    // The end-of-string character ends a read in the payload too.
    Send(bus, 14, "CURV?");
    char buffer[64];
    size_t count = 0;
    ReadEnd ended = ReadEnd::None;
    ASSERT_TRUE(bus.Read(14, GPIB_NO_SECONDARY, buffer, sizeof buffer, true, '\n', 0, &count, &ended));
    EXPECT_EQ(ended, ReadEnd::EndOfString);
    EXPECT_EQ(count, 5u + 11u) << "after payload byte 10";
}

TEST(SimulatedBus, AnIndefiniteBlockEndsWithTheLineFeedThatComesWithEnd)
{
    SimBus bus = BusFrom(kDefaultBench);
    std::string said = Ask(bus, 15, "DATA?");
    ASSERT_EQ(said.size(), 2u + 256u + 1u);
    EXPECT_EQ(said.substr(0, 2), "#0");
    EXPECT_EQ(CountingMismatch(said, 2, 256), std::string::npos);
    EXPECT_EQ(said.back(), '\n');

    // Without EOI the end is not seen: the read times out with all of it.
    Send(bus, 15, "DATA?");
    char buffer[1024];
    size_t count = 0;
    ReadEnd ended = ReadEnd::Eoi;
    EXPECT_FALSE(bus.Read(15, GPIB_NO_SECONDARY, buffer, sizeof buffer, false, -1, 0, &count, &ended));
    EXPECT_EQ(ended, ReadEnd::None);
    EXPECT_EQ(std::string(buffer, count), said);
}

TEST(SimulatedBus, ASixteenMebibyteBlockArrivesWholeInReadsOfSixtyFourKibibytes)
{
    const size_t length = 16777216;
    const size_t total = 10 + length + 1;
    SimBus bus = BusFrom(kDefaultBench);
    Send(bus, 16, "CURVE?");
    EXPECT_EQ(bus.Unsaid(16, GPIB_NO_SECONDARY), total);

    // The header first, so that the reads after it cross the chunks the output is made in.
    char header[10];
    size_t count = 0;
    ReadEnd ended = ReadEnd::None;
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, header, sizeof header, true, -1, 0, &count, &ended));
    EXPECT_EQ(ended, ReadEnd::BufferFull);
    EXPECT_EQ(std::string(header, count), "#816777216");

    std::string said(header, count);
    std::vector<char> buffer(65536);
    while (said.size() < total / 2) {
        ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count, &ended));
        ASSERT_EQ(ended, ReadEnd::BufferFull) << "after " << said.size() << " bytes";
        said.append(buffer.data(), count);
    }
    EXPECT_EQ(bus.Unsaid(16, GPIB_NO_SECONDARY), total - said.size());
    ReadEnd last = ReadEnd::None;
    said += ReadInPieces(bus, 16, buffer.size(), last);
    EXPECT_EQ(last, ReadEnd::Eoi);
    ASSERT_EQ(said.size(), total);
    EXPECT_EQ(CountingMismatch(said, 10, length), std::string::npos);
    EXPECT_EQ(said.back(), '\n');
    EXPECT_EQ(bus.Unsaid(16, GPIB_NO_SECONDARY), 0u);

    // An end-of-string character found past the chunk the read started in.
    Send(bus, 16, "CURVE?");
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), 65530, true, -1, 0, &count, &ended));
    // Payload byte 65530, the first 250 after where this read starts, is in the next chunk.
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), 1000, true, 250, 0, &count, &ended));
    EXPECT_EQ(ended, ReadEnd::EndOfString);
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(static_cast<unsigned char>(buffer[count - 1]), 250u);
}

#ifdef __linux__
// The resident memory of this process, in kibibytes.
long ResidentKibibytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

TEST(SimulatedBus, AnAnswerOfTwoHundredFiftySixMebibytesTakesMemoryOnlyAsItIsRead)
{
    SimBus bus = BusFrom("3 block 268435456\n");
    long before = ResidentKibibytes();
    ASSERT_GT(before, 0);
    Send(bus, 3, "CURVE?");
    EXPECT_EQ(bus.Unsaid(3, GPIB_NO_SECONDARY), 11u + 268435456u + 1u);
    std::vector<char> buffer(65536);
    size_t count = 0;
    ASSERT_TRUE(bus.Read(3, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count));
    EXPECT_EQ(std::string(buffer.data(), 11), "#9268435456");
    EXPECT_LT(ResidentKibibytes() - before, 64 * 1024);
}
#endif

TEST(SimulatedBus, ReadingsAreCommaSeparatedNumbersThatCountInThousandths)
{
    SimBus bus = BusFrom(kDefaultBench);
    Send(bus, 17, "READ?");
    ReadEnd last = ReadEnd::None;
    std::string said = ReadInPieces(bus, 17, 1000, last);
    EXPECT_EQ(last, ReadEnd::Eoi);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), '\n');
    EXPECT_EQ(said.substr(0, 28), "+1.000000E+00,+1.001000E+00,");
    EXPECT_EQ(said.substr(said.size() - 15), ",+1.099900E+01\n");

    std::istringstream in(said.substr(0, said.size() - 1));
    std::string reading;
    size_t k = 0;
    for (; std::getline(in, reading, ','); ++k) {
        char* end = nullptr;
        double value = std::strtod(reading.c_str(), &end);
        ASSERT_EQ(*end, '\0') << "reading " << k << ": " << reading;
        ASSERT_EQ(reading.size(), 13u) << "reading " << k;
        ASSERT_NEAR(value, 1.0 + k * 0.001, 1e-9) << "reading " << k;
    }
    EXPECT_EQ(k, 10000u);
}

TEST(SimulatedBus, AMillionReadingsKeepTheirWidthAsTheExponentGrows)
{
    SimBus bus = BusFrom("3 readings 1000000\n");
    Send(bus, 3, "READ?");
    EXPECT_EQ(bus.Unsaid(3, GPIB_NO_SECONDARY), 14000000u);
    ReadEnd last = ReadEnd::None;
    std::string said = ReadInPieces(bus, 3, 1 << 20, last);
    EXPECT_EQ(last, ReadEnd::Eoi);
    ASSERT_EQ(said.size(), 14000000u);
    struct Expected {
        size_t k;
        const char* text;
    } expected[] = {{8999, "+9.999000E+00,"},   {9000, "+1.000000E+01,"},  {98999, "+9.999900E+01,"},
                    {99000, "+1.000000E+02,"},  {998999, "+9.999990E+02,"}, {999000, "+1.000000E+03,"},
                    {999999, "+1.000999E+03\n"}};
    for (const Expected& e : expected)
        EXPECT_EQ(said.substr(e.k * 14, 14), e.text) << "reading " << e.k;
}

// All 256 byte values, CR and LF among them.
std::string EveryByteValue()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

TEST(SimulatedBus, AStoreAnswersTheBlockItWasSentByteForByte)
{
    SimBus bus = BusFrom(kDefaultBench);
    // Every byte value, and CR LF last, where a message's terminator would be.
    const std::string payload = EveryByteValue() + "\r\n";
    const std::string message = "WAV:DATA #3258" + payload;
    ASSERT_TRUE(bus.Write(18, GPIB_NO_SECONDARY, message.data(), 100, false));
    ASSERT_TRUE(bus.Write(18, GPIB_NO_SECONDARY, message.data() + 100, message.size() - 100, true));
    EXPECT_EQ(bus.Unsaid(18, GPIB_NO_SECONDARY), 0u) << "storing says nothing";
    Send(bus, 18, "WAV:DATA?\r\n");
    ReadEnd last = ReadEnd::None;
    EXPECT_TRUE(ReadInPieces(bus, 18, 50, last) == "#3258" + payload + "\n") << "the block read back differs";
    EXPECT_EQ(last, ReadEnd::Eoi);

    Send(bus, 18, "WAV:DATA #12abcd\r\n");
    EXPECT_EQ(Ask(bus, 18, "WAV:DATA?"), "#12ab\n") << "what follows the payload is not stored";
    Send(bus, 18, "#10");
    EXPECT_EQ(Ask(bus, 18, "WAV:DATA?"), "#10\n") << "an empty block empties the store";
}

TEST(SimulatedBus, AStoreKeepsItsBlockWhenAMessageHoldsABadOne)
{
    SimBus bus = BusFrom("18 store\n");
    Send(bus, 18, "WAV:DATA #15hello\n");
    for (const char* bad : {"WAV:DATA #x5hello", "WAV:DATA #", "WAV:DATA #3", "WAV:DATA #310", "WAV:DATA #15hel",
                            "WAV:DATA #0hello\n", "WAV:DATA #15hel?"}) {
        EXPECT_EQ(Ask(bus, 18, bad), "<time-out>") << bad;
        EXPECT_EQ(Ask(bus, 18, "WAV:DATA?"), "#15hello\n") << "after " << bad;
    }
}

TEST(SimulatedBus, ClearAndANewMessageDropALongAnswer)
{
    SimBus bus = BusFrom(kDefaultBench);
    Send(bus, 16, "CURVE?");
    std::vector<char> buffer(100000);
    size_t count = 0;
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count));
    bus.Clear(16, GPIB_NO_SECONDARY);
    EXPECT_EQ(bus.Unsaid(16, GPIB_NO_SECONDARY), 0u);
    ReadEnd ended = ReadEnd::Eoi;
    EXPECT_FALSE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count, &ended));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ended, ReadEnd::None);

    Send(bus, 16, "CURVE?");
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count));
    Send(bus, 16, "*IDN?");
    EXPECT_EQ(bus.Unsaid(16, GPIB_NO_SECONDARY), 19u);
    ASSERT_TRUE(bus.Read(16, GPIB_NO_SECONDARY, buffer.data(), buffer.size(), true, -1, 0, &count));
    EXPECT_EQ(std::string(buffer.data(), count), "Simbus,Block,0,1.0\n");
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

// The recorder takes lines, not messages: a line may come in several writes,
// and one write may hold several lines.
TEST(SimulatedBus, ARecorderKeepsTheLineAfterReceiveAndSendsItBack)
{
    SimBus bus = BusFrom("3 recorder\n");
    EXPECT_EQ(Ask(bus, 3, "*IDN?\n"), "Simbus,Recorder,0,1.0\n");
    Send(bus, 3, "RECEIVE\n");
    Send(bus, 3, "te\rst\r");
    Send(bus, 3, "\n");
    EXPECT_EQ(Ask(bus, 3, "SEND\n"), "te\rst\r\n");
    EXPECT_EQ(Ask(bus, 3, "SEND\n"), "te\rst\r\n") << "the kept line stays";
    Send(bus, 3, std::string("RECEIVE\n#10\x00\x01\x02\r\n", 16));
    EXPECT_EQ(Ask(bus, 3, "SEND\n"), std::string("#10\x00\x01\x02\r\n", 8)) << "every byte value but the line feed";
    EXPECT_EQ(Ask(bus, 3, "SEND"), "<time-out>") << "a command is a line: SEND without its line feed waits";
    EXPECT_EQ(Ask(bus, 3, "\n"), std::string("#10\x00\x01\x02\r\n", 8));
    EXPECT_EQ(Ask(bus, 3, "send\r\nRECEIVE\n"), std::string("#10\x00\x01\x02\r\n", 8))
        << "a line after SEND does not take its answer";
    Send(bus, 3, "new\n");
    EXPECT_EQ(Ask(bus, 3, "SEND\n"), "new\n");
    EXPECT_EQ(Ask(bus, 3, "OTHER\n"), "<time-out>");

    // A clear drops a half-taken line and a RECEIVE in progress.
    Send(bus, 3, "RECEIVE\n");
    ASSERT_TRUE(bus.Clear(3, GPIB_NO_SECONDARY));
    Send(bus, 3, "SEND\n");
    EXPECT_EQ(Ask(bus, 3, "SEND\n"), "new\n");
    Send(bus, 3, "SE");
    ASSERT_TRUE(bus.Clear(3, GPIB_NO_SECONDARY));
    EXPECT_EQ(Ask(bus, 3, "ND\n"), "<time-out>");
}
