// The bus driver library through a simulated "++" adapter: the exact bytes it
// sends for each terminator setting, secondary addresses and escaped data,
// and the failures of a dropped connection, a stalled or slow adapter and a
// wrong host; then the adapter session's device and interface operations,
// service requests among them. Run by with_simulated_adapter.sh, which
// starts the adapter on adapter.bench and names it in QUENBUS_ADAPTER_URL,
// its control port in QUENBUS_ADAPTER_CONTROL and its firmware in
// QUENBUS_ADAPTER_FIRMWARE; natively and under Wine alike.
#include "adapter/adapter_registry.h"
#include "adapter/adapter_session.h"
#include "adapter/byte_channel.h"
#include "drovane/drovane.h"
#include "registry_test_fixture.h"
#include "simulator_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const char kSetup[] = "++mode 1\n++auto 0\n++eot_enable 1\n++eot_char 4\n";
const int kNoSecondary = 255;

// A line to the adapter's control port, and its answer.
std::string Control(const std::string& line)
{
    return AskControlPort("QUENBUS_ADAPTER_CONTROL", line);
}

// What the adapter received, waiting up to a second for `size` bytes: the
// last line of a call that reads no answer may still be on its way.
std::string TakeAtLeast(size_t size)
{
    std::string taken = Control("take");
    for (Clock::time_point start = Clock::now(); taken.size() < size && Clock::now() - start < std::chrono::seconds(1);)
        taken += Control("take");
    return taken;
}

class AdapterProtocol : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_FALSE(Environment("QUENBUS_ADAPTER_URL").empty()) << "run through with_simulated_adapter.sh";
        LoadReg("REGEDIT4\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"LAN0\"\n\"Adapter\"=\"" +
                Environment("QUENBUS_ADAPTER_URL") +
                "\"\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"LAN1\"\n"
                "\"Adapter\"=\"tcp://127.0.0.1:1\"\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002]\n\"UserName\"=\"LAN2\"\n"
                "\"Adapter\"=\"tcp://192.0.2.1:1234\"\n");
        ASSERT_EQ("ok", Control("normal"));
        // A fresh connection, so that every setting is sent again.
        ASSERT_EQ("ok", Control("close"));
        Control("take");
    }

    void TearDown() override
    {
        for (int handle : handles_)
            DrvClose(handle);
        Control("normal");
        RegistryTest::TearDown();
    }

    int Open(const char* name, int primary, int secondary, DrvTermRecord in, DrvTermRecord out, int timeoutMs)
    {
        int handle = DrvOpenDevice(name, "TEMP", static_cast<uint8_t>(primary), secondary, &in, &out, timeoutMs);
        if (handle >= 0)
            handles_.push_back(handle);
        return handle;
    }

    long Write(int handle, const std::string& data) { return DrvWrite(handle, data.data(), data.size(), 1, 1, 0, 0, 0); }

    std::string Read(int handle, unsigned long size = 256)
    {
        std::string reply(size, '\0');
        long count = DrvRead(handle, &reply[0], size, 1, 0, 0, 0);
        reply.resize(count > 0 ? static_cast<size_t>(count) : 0);
        return reply;
    }

    std::vector<int> handles_;
};

TEST_F(AdapterProtocol, AQueryGoesAsControllerWithTheDevicesSettings)
{
    DrvTermRecord cr = Record(1, 1, 13);
    int handle = Open("LAN0", 22, kNoSecondary, cr, cr, 2000);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(5, Write(handle, "*IDN?"));
    EXPECT_EQ("Simbus,Multimeter,0,1.0\n", Read(handle));
    EXPECT_EQ(std::string(kSetup) +
                  "++srq\n++addr 22\n++read_tmo_ms 2000\n++spoll 22\n++eos 3\n++eoi 1\n*IDN?\n++read 13\n",
              Control("take"));

    // The settings the adapter holds are not sent again; a time-out above
    // the adapter's 3000 ms goes as 3000.
    int other = Open("lan0", 5, kNoSecondary, cr, cr, 20000);
    ASSERT_GE(other, 0);
    EXPECT_EQ(2, Write(other, "hi"));
    EXPECT_EQ("hi", Read(other));
    EXPECT_EQ("++srq\n++addr 5\n++read_tmo_ms 3000\n++spoll 5\nhi\n++read 13\n", Control("take"));
}

TEST_F(AdapterProtocol, OutputTerminatorsChooseEosOrGoAsData)
{
    struct Case {
        DrvTermRecord out;
        std::string data;
        std::string stream;  // after the listener check
        std::string reply;   // of the echo
    };
    const Case cases[] = {
        // CR, LF and CR LF that end a message are appended by the adapter.
        {Record(1, 1, 13), "AB\rCD", "++eos 1\n++eoi 1\nAB\n++eos 3\nCD\n", "CD"},
        {Record(1, 1, 10), "AB\r\n", "++eos 0\n++eoi 1\nAB\n", "AB"},
        {Record(1, 1, 10), "AB\n", "++eos 2\n++eoi 1\nAB\n", "AB"},
        // Another character goes as data, escaped where it must be.
        {Record(1, 1, '+'), "1+", "++eos 3\n++eoi 1\n1\x1b+\n", "1+"},
        // No output character: the data as it is, EOI as the device says.
        {Record(1, 0, 13), "X\rY", "++eos 3\n++eoi 1\nX\x1b\rY\n", "X\rY"},
        // Without EOI the message after the last ';' does not end (the echo keeps it).
        {Record(0, 1, ';'), "A;B", "++eos 3\n++eoi 1\nA;\n++eoi 0\nB\n", "A;"},
    };
    DrvTermRecord eoiOnly = Record(1, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        ASSERT_EQ("ok", Control("close"));
        Control("take");
        int handle = Open("LAN0", 5, kNoSecondary, eoiOnly, c.out, 2000);
        ASSERT_GE(handle, 0);
        EXPECT_EQ(static_cast<long>(c.data.size()), Write(handle, c.data));
        EXPECT_EQ(c.reply, Read(handle));
        std::string prefix = std::string(kSetup) + "++srq\n++addr 5\n++read_tmo_ms 2000\n++spoll 5\n";
        EXPECT_EQ(prefix + c.stream + "++read eoi\n", Control("take"));
        DrvClose(handle);
        handles_.pop_back();
    }
    // Ends the echo's open message.
    EXPECT_EQ(1, Write(Open("LAN0", 5, kNoSecondary, eoiOnly, eoiOnly, 2000), "."));
}

TEST_F(AdapterProtocol, InputTerminatorsChooseTheRead)
{
    // The character ends the read; the rest of the answer stays for the next.
    int character = Open("LAN0", 3, kNoSecondary, Record(1, 1, 13), Record(1, 0, 0), 2000);
    int eoi = Open("LAN0", 3, kNoSecondary, Record(1, 0, 0), Record(1, 0, 0), 2000);
    ASSERT_GE(character, 0);
    ASSERT_GE(eoi, 0);
    EXPECT_EQ(5, Write(character, "DATA?"));
    EXPECT_EQ("first\r", Read(character));
    EXPECT_EQ("second", Read(eoi));
    EXPECT_EQ(std::string(kSetup) + "++srq\n++addr 3\n++read_tmo_ms 2000\n++spoll 3\n++eos 3\n++eoi 1\nDATA?\n"
                                    "++read 13\n++read eoi\n",
              Control("take"));

    // A longer answer than the buffer: the rest comes with the next read,
    // without asking the adapter again.
    int talker = Open("LAN0", 12, kNoSecondary, Record(1, 0, 0), Record(1, 0, 0), 2000);
    EXPECT_EQ(1, Write(talker, "?"));
    EXPECT_EQ(256u, Read(talker, 256).size());
    std::string rest;
    for (int i = 256; i < 300; ++i)
        rest += static_cast<char>('A' + i % 26);
    EXPECT_EQ(rest, Read(talker, 256));
    EXPECT_EQ("++srq\n++addr 12\n++spoll 12\n?\n++read eoi\n", Control("take"));
}

TEST_F(AdapterProtocol, SecondaryAddressesGoAs96AndMore)
{
    DrvTermRecord cr = Record(1, 1, 13);
    int there = Open("LAN0", 4, 7, cr, cr, 1000);
    ASSERT_GE(there, 0);
    EXPECT_EQ(3, Write(there, "S?7"));
    EXPECT_EQ("S?7", Read(there));
    EXPECT_EQ(std::string(kSetup) + "++srq\n++addr 4 103\n++read_tmo_ms 1000\n++spoll 4 103\n++eos 3\n++eoi 1\nS?7\n"
                                    "++read 13\n",
              Control("take"));

    // Without the secondary address nothing listens at 4.
    int none = Open("LAN0", 4, kNoSecondary, cr, cr, 300);
    Clock::time_point start = Clock::now();
    EXPECT_LT(Write(none, "S?"), 0);
    EXPECT_EQ(DRV_ERR_NO_LISTENER, DrvLastError(none, 0));
    EXPECT_LT(ElapsedMs(start), 300 + 1000);
    EXPECT_EQ("++srq\n++addr 4\n++read_tmo_ms 300\n++spoll 4\n++ver\n", Control("take"));
}

TEST_F(AdapterProtocol, DataHoldingCrLfEscAndPlusIsEscaped)
{
    const std::string data = "+a\r\n\x1b+b++c";
    int handle = Open("LAN0", 5, kNoSecondary, Record(1, 0, 0), Record(1, 0, 0), 2000);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(static_cast<long>(data.size()), Write(handle, data));
    EXPECT_EQ(data, Read(handle));
    EXPECT_EQ(std::string(kSetup) + "++srq\n++addr 5\n++read_tmo_ms 2000\n++spoll 5\n++eos 3\n++eoi 1\n"
                                    "\x1b+a\x1b\r\x1b\n\x1b\x1b\x1b+b\x1b+\x1b+c\n++read eoi\n",
              Control("take"));
}

TEST_F(AdapterProtocol, ASilentDeviceTimesOutAndIsCleared)
{
    int handle = Open("LAN0", 9, kNoSecondary, Record(1, 1, 13), Record(1, 1, 13), 400);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(5, Write(handle, "*IDN?"));
    Clock::time_point start = Clock::now();
    EXPECT_EQ("", Read(handle));
    EXPECT_EQ(DRV_ERR_TIMEOUT, DrvLastError(handle, 0));
    EXPECT_LT(ElapsedMs(start), 400 + 1000);
    std::string expected = std::string(kSetup) + "++srq\n++addr 9\n++read_tmo_ms 400\n++spoll 9\n++eos 3\n++eoi 1\n*IDN?\n"
                                                 "++read 13\n++ver\n++clr\n";
    EXPECT_EQ(expected, TakeAtLeast(expected.size()));
}

// A failed call of each fault, within the device's time-out and a second,
// and a working call once the adapter is back.
class AdapterFaults : public AdapterProtocol {
protected:
    void ExpectFailureInTime(int timeoutMs, int error)
    {
        int handle = Open("LAN0", 22, kNoSecondary, Record(1, 1, 13), Record(1, 1, 13), timeoutMs);
        ASSERT_GE(handle, 0);
        Clock::time_point start = Clock::now();
        EXPECT_LT(Write(handle, "*IDN?"), 0);
        EXPECT_EQ(error, DrvLastError(handle, 0));
        EXPECT_LT(ElapsedMs(start), timeoutMs + 1000);
    }

    void ExpectWorking()
    {
        int handle = Open("LAN0", 22, kNoSecondary, Record(1, 1, 13), Record(1, 1, 13), 1000);
        ASSERT_GE(handle, 0);
        EXPECT_EQ(5, Write(handle, "*IDN?"));
        EXPECT_EQ("Simbus,Multimeter,0,1.0\n", Read(handle));
    }
};

TEST_F(AdapterFaults, ADroppedConnectionFailsAndTheNextCallConnectsAgain)
{
    ExpectWorking();
    ASSERT_EQ("ok", Control("drop"));
    ExpectFailureInTime(1000, DRV_ERR_NO_BOARD);
    ExpectWorking();
    // Closed between calls: the next call notices before it sends, and connects again.
    ASSERT_EQ("ok", Control("close"));
    ExpectWorking();
}

TEST_F(AdapterFaults, AStalledAdapterFailsWithinTheTimeOut)
{
    ExpectWorking();
    ASSERT_EQ("ok", Control("stall"));
    ExpectFailureInTime(800, DRV_ERR_TIMEOUT);
    ASSERT_EQ("ok", Control("resume"));
    ExpectWorking();
}

TEST_F(AdapterFaults, AStalledAdapterHoldsUpNoOtherHandle)
{
    ExpectWorking();
    ASSERT_EQ("ok", Control("stall"));
    int stalled = Open("LAN0", 22, kNoSecondary, Record(1, 1, 13), Record(1, 1, 13), 1500);
    ASSERT_GE(stalled, 0);
    std::atomic<bool> returned(false);
    std::thread waiting([&] {
        Write(stalled, "*IDN?");
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The library's other calls, and a device of another adapter, go on
    // while the stalled write waits for its time-out.
    DrvPrepare(-1, 0);
    EXPECT_EQ(DRV_ERR_NONE, DrvLastError(-1, 0));
    int other = Open("LAN1", 22, kNoSecondary, Record(1, 1, 13), Record(1, 1, 13), 600);
    EXPECT_GE(other, 0);
    EXPECT_LT(Write(other, "*IDN?"), 0);
    EXPECT_EQ(DRV_ERR_NO_BOARD, DrvLastError(other, 0));
    EXPECT_FALSE(returned) << "the other handle's calls waited for the stalled one";
    waiting.join();
    EXPECT_EQ(DRV_ERR_TIMEOUT, DrvLastError(stalled, 0));
    ASSERT_EQ("ok", Control("resume"));
    ExpectWorking();
}

TEST_F(AdapterFaults, ASlowAdapterWorksWithinTheTimeOutAndFailsBeyondIt)
{
    ASSERT_EQ("ok", Control("slow 200"));
    ExpectWorking();
    ASSERT_EQ("ok", Control("slow 3000"));
    ExpectFailureInTime(700, DRV_ERR_TIMEOUT);
    ASSERT_EQ("ok", Control("normal"));
    ExpectWorking();
}

TEST_F(AdapterFaults, AWrongHostFailsWithinTheTimeOut)
{
    DrvTermRecord cr = Record(1, 1, 13);
    for (const char* name : {"LAN1", "LAN2"}) {
        SCOPED_TRACE(name);
        int handle = Open(name, 22, kNoSecondary, cr, cr, 600);
        ASSERT_GE(handle, 0);
        Clock::time_point start = Clock::now();
        EXPECT_LT(Write(handle, "*IDN?"), 0);
        EXPECT_EQ(DRV_ERR_NO_BOARD, DrvLastError(handle, 0));
        EXPECT_EQ("", Read(handle));
        EXPECT_EQ(DRV_ERR_NO_BOARD, DrvLastError(handle, 0));
        EXPECT_LT(ElapsedMs(start), 2 * 600 + 1000);
    }
    ExpectWorking();
}

} // namespace

namespace {

TEST_F(AdapterProtocol, AReadSaysWhyItEnded)
{
    int character = Open("LAN0", 3, GPIB_NO_SECONDARY, Record(1, 1, 13), Record(1, 0, 0), 2000);
    int eoi = Open("LAN0", 3, GPIB_NO_SECONDARY, Record(1, 0, 0), Record(1, 0, 0), 2000);
    ASSERT_EQ(5, Write(character, "DATA?"));
    char buffer[512] = {};
    unsigned long count = 0;
    int ended = -1;
    ASSERT_EQ(0, DrvReadEnded(character, buffer, sizeof buffer, &count, &ended));
    EXPECT_EQ(std::string(buffer, count), "first\r");
    EXPECT_EQ(ended, DRV_END_EOS);
    ASSERT_EQ(0, DrvReadEnded(eoi, buffer, sizeof buffer, &count, &ended));
    EXPECT_EQ(std::string(buffer, count), "second");
    EXPECT_EQ(ended, DRV_END_EOI);

    // A read that goes on with an answer ends at its own character; the rest
    // stays for the next read, whatever that one stops at.
    ASSERT_EQ(5, Write(eoi, "DATA?"));
    ASSERT_EQ(0, DrvReadEnded(eoi, buffer, 3, &count, &ended));
    EXPECT_EQ(std::string(buffer, count), "fir");
    ASSERT_EQ(0, DrvReadEnded(character, buffer, sizeof buffer, &count, &ended));
    EXPECT_EQ(std::string(buffer, count), "st\r");
    EXPECT_EQ(ended, DRV_END_EOS);
    ASSERT_EQ(0, DrvReadEnded(eoi, buffer, sizeof buffer, &count, &ended));
    EXPECT_EQ(std::string(buffer, count), "second");
    EXPECT_EQ(ended, DRV_END_EOI);

    // The rest of a long answer keeps its END for the read that takes it.
    int talker = Open("LAN0", 12, GPIB_NO_SECONDARY, Record(1, 0, 0), Record(1, 0, 0), 2000);
    ASSERT_EQ(1, Write(talker, "?"));
    ASSERT_EQ(0, DrvReadEnded(talker, buffer, 256, &count, &ended));
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(ended, DRV_END_FULL);
    ASSERT_EQ(0, DrvReadEnded(talker, buffer, 256, &count, &ended));
    EXPECT_EQ(count, 44u);
    EXPECT_EQ(ended, DRV_END_EOI);
}

TEST_F(AdapterProtocol, AProbeAsksTheAdapterOverAConnectionOfItsOwn)
{
    char answer[64] = {};
    std::string url = Environment("QUENBUS_ADAPTER_URL");
    EXPECT_EQ(1, DrvProbeAdapter(url.c_str(), answer, sizeof answer, 1000));
    EXPECT_NE(std::string(answer).find("GPIB"), std::string::npos) << answer;
    EXPECT_NE(Control("take").find("++ver\n"), std::string::npos);

    EXPECT_EQ(0, DrvProbeAdapter("tcp://127.0.0.1:1", answer, sizeof answer, 500));
    EXPECT_STRNE(answer, "");
    // Time-out 0: only whether the URL is an adapter's.
    EXPECT_EQ(0, DrvProbeAdapter("tcp://127.0.0.1:1", answer, sizeof answer, 0));
    EXPECT_EQ(-1, DrvProbeAdapter("ftp://127.0.0.1", answer, sizeof answer, 500));
    EXPECT_EQ(DRV_ERR_BAD_ARGUMENT, DrvLastError(-1, 0));
    EXPECT_STRNE(answer, "");
    // A short answer buffer still ends with NUL.
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(1, DrvProbeAdapter(url.c_str(), tiny, sizeof tiny, 1000));
    EXPECT_EQ(tiny[3], '\0');
    EXPECT_EQ(std::string(tiny).size(), 3u);
}

} // namespace

namespace {

const int kMeter = 22;
const int kEcho = 5;
const int kTalker = 12;
const int kNobody = 8;
// ESB and RQS: the meter's operation-complete event requests service.
const uint8_t kRequestByte = 0x60;
const uint8_t kEventByte = 0x20;

// The adapter session itself, over a connection of its own.
class AdapterOperations : public AdapterProtocol {
protected:
    void TearDown() override
    {
        // The meter requests nothing and says nothing, for the tests that follow.
        Send(kMeter, "*SRE 0;*ESE 0;*CLS");
        session_.Clear(kMeter, kNoSecondary, 1000);
        session_.Close();
        AdapterProtocol::TearDown();
    }

    static ChannelOpener Opener() { return ChannelTo(Environment("QUENBUS_ADAPTER_URL")); }

    AdapterResult Send(int primary, const std::string& data)
    {
        return session_.Write(primary, kNoSecondary, data.data(), data.size(), true, AdapterTerminator(), 1000);
    }

    std::string Query(int primary, const std::string& data)
    {
        if (Send(primary, data) != AdapterResult::Done)
            return "(the write failed)";
        char buffer[256];
        size_t count = 0;
        ReadEnd ended = ReadEnd::None;
        if (session_.Read(primary, kNoSecondary, buffer, sizeof buffer, AdapterTerminator(), 1000, &count, &ended) !=
            AdapterResult::Done)
            return "(the read failed)";
        return std::string(buffer, count);
    }

    // The meter's operation-complete event, enabled to request service.
    void MakeTheMeterRequest()
    {
        ASSERT_EQ(AdapterResult::Done, Send(kMeter, "*ESE 1;*SRE 32;*OPC"));
        Control("take");
    }

    AdapterSession session_{Opener()};
};

// The number k of a meter reading "+1.2345kkE+00".
int ReadingNumber(const std::string& reading)
{
    return reading.size() > 9 ? std::atoi(reading.substr(7, 2).c_str()) : -1;
}

// Commands on a connection of their own; the ++ver that ends them is
// answered when the adapter has taken them.
bool SendRaw(const std::string& commands)
{
    std::string problem;
    std::unique_ptr<ByteChannel> channel = ChannelTo(Environment("QUENBUS_ADAPTER_URL"))(1000, problem);
    if (!channel || !channel->Send(commands + "++ver\n", 1000))
        return false;
    std::string answer;
    char buffer[256];
    for (Clock::time_point start = Clock::now(); answer.find('\n') == std::string::npos;) {
        long count = channel->Receive(buffer, sizeof buffer, 200);
        if (count < 0 || Clock::now() - start > std::chrono::seconds(2))
            return false;
        answer.append(buffer, static_cast<size_t>(count));
    }
    return true;
}

TEST_F(AdapterOperations, EachOperationSendsItsCommandsAfterTheAddress)
{
    EXPECT_EQ(AdapterResult::Done, session_.Clear(kMeter, kNoSecondary, 1000));
    EXPECT_EQ(AdapterResult::Done, session_.Trigger(kEcho, kNoSecondary, 1000));
    EXPECT_EQ(AdapterResult::Done, session_.Local(kEcho, kNoSecondary, 1000));
    EXPECT_EQ(AdapterResult::Done, session_.InterfaceClear(1000));
    uint8_t statusByte = 0xFF;
    EXPECT_EQ(AdapterResult::Done, session_.SerialPoll(kEcho, kNoSecondary, 1000, statusByte));
    EXPECT_EQ(0, statusByte);
    bool requested = true;
    EXPECT_EQ(AdapterResult::Done, session_.LookForRequest(kEcho, kNoSecondary, 1000, requested, statusByte));
    EXPECT_FALSE(requested);
    // Clear, trigger and local look for a listener first, as a write does.
    EXPECT_EQ(std::string(kSetup) + "++srq\n++addr 22\n++read_tmo_ms 1000\n++spoll 22\n++clr\n"
                                    "++srq\n++addr 5\n++spoll 5\n++trg 5\n++srq\n++spoll 5\n++loc\n"
                                    "++ifc\n++spoll 5\n++srq\n",
              Control("take"));
    // Where nothing listens, each says so.
    EXPECT_EQ(AdapterResult::NoListener, session_.Clear(4, 6, 300));
    EXPECT_EQ(AdapterResult::NoListener, session_.Trigger(4, kNoSecondary, 300));
    EXPECT_EQ(AdapterResult::NoListener, session_.Local(8, kNoSecondary, 300));
}

TEST_F(AdapterOperations, ATriggerTakesAReading)
{
    int first = ReadingNumber(Query(kMeter, "FETC?"));
    ASSERT_GE(first, 0);
    EXPECT_EQ(AdapterResult::Done, session_.Trigger(kMeter, kNoSecondary, 1000));
    EXPECT_EQ((first + 1) % 100, ReadingNumber(Query(kMeter, "FETC?")));
    // The adapter triggers each address it is given, the secondary ones
    // among them, or else the addressed device.
    ASSERT_TRUE(SendRaw("++trg 5 4 103 22\n"));
    EXPECT_EQ((first + 2) % 100, ReadingNumber(Query(kMeter, "FETC?")));
    // Addressed again as the session left it, which sends no ++addr itself.
    ASSERT_TRUE(SendRaw("++addr 5\n++trg\n++trg 4 103\n++addr 22\n"));
    EXPECT_EQ((first + 2) % 100, ReadingNumber(Query(kMeter, "FETC?")));
    ASSERT_TRUE(SendRaw("++trg\n"));
    EXPECT_EQ((first + 3) % 100, ReadingNumber(Query(kMeter, "FETC?")));
}

TEST_F(AdapterOperations, ASerialPollAnswersTheStatusByteAndTakesTheRequest)
{
    MakeTheMeterRequest();
    uint8_t statusByte = 0;
    EXPECT_EQ(AdapterResult::Done, session_.SerialPoll(kMeter, kNoSecondary, 1000, statusByte));
    EXPECT_EQ(kRequestByte, statusByte);
    EXPECT_EQ(AdapterResult::Done, session_.SerialPoll(kMeter, kNoSecondary, 1000, statusByte));
    EXPECT_EQ(kEventByte, statusByte);
    EXPECT_EQ("++spoll 22\n++spoll 22\n", Control("take"));

    // Nothing at the address answers: the adapter is asked whether it still works.
    Clock::time_point start = Clock::now();
    EXPECT_EQ(AdapterResult::NoListener, session_.SerialPoll(kNobody, kNoSecondary, 300, statusByte));
    EXPECT_LT(ElapsedMs(start), 300 + 1000);
    EXPECT_EQ("++addr 8\n++read_tmo_ms 300\n++spoll 8\n++ver\n", Control("take"));
}

TEST_F(AdapterOperations, AWriteLeavesAPendingRequestInPlace)
{
    MakeTheMeterRequest();
    // The SRQ line is asserted: the writes go without the poll that would
    // take the request, addressed all the same.
    ASSERT_EQ(AdapterResult::Done, Send(kMeter, "*ESE 1"));
    ASSERT_EQ(AdapterResult::Done, Send(kEcho, "hi"));
    std::string unpolled = "++srq\n*ESE 1\n++srq\n++addr 5\nhi\n";
    EXPECT_EQ(unpolled, TakeAtLeast(unpolled.size()));
    char buffer[16];
    size_t count = 0;
    ReadEnd ended = ReadEnd::None;
    ASSERT_EQ(AdapterResult::Done,
              session_.Read(kEcho, kNoSecondary, buffer, sizeof buffer, AdapterTerminator(), 1000, &count, &ended));
    EXPECT_EQ("hi", std::string(buffer, count));

    // Another program finds the request still there.
    AdapterSession other(Opener());
    bool requested = false;
    uint8_t statusByte = 0;
    EXPECT_EQ(AdapterResult::Done, other.LookForRequest(kMeter, kNoSecondary, 1000, requested, statusByte));
    EXPECT_TRUE(requested);
    EXPECT_EQ(kRequestByte, statusByte);
    // That look took it: the line is clear, and this session's look polls nothing.
    EXPECT_EQ(AdapterResult::Done, session_.LookForRequest(kMeter, kNoSecondary, 1000, requested, statusByte));
    EXPECT_FALSE(requested);
    EXPECT_EQ("++read eoi\n" + std::string(kSetup) + "++srq\n++addr 22\n++read_tmo_ms 1000\n++spoll 22\n++srq\n",
              Control("take"));
}

TEST_F(AdapterOperations, AListenerCheckKeepsTheRequestItTakes)
{
    MakeTheMeterRequest();
    bool listens = false;
    EXPECT_EQ(AdapterResult::Done, session_.FindListener(kMeter, kNoSecondary, 1000, listens));
    EXPECT_TRUE(listens);
    EXPECT_EQ("++spoll 22\n", Control("take"));
    // The device's request is gone with that poll...
    AdapterSession other(Opener());
    bool requested = true;
    uint8_t statusByte = 0;
    EXPECT_EQ(AdapterResult::Done, other.LookForRequest(kMeter, kNoSecondary, 1000, requested, statusByte));
    EXPECT_FALSE(requested);
    EXPECT_EQ(std::string(kSetup) + "++srq\n", Control("take"));
    // ...and kept for the device's next poll, which asks the adapter nothing.
    EXPECT_EQ(AdapterResult::Done, session_.SerialPoll(kMeter, kNoSecondary, 1000, statusByte));
    EXPECT_EQ(kRequestByte, statusByte);
    EXPECT_EQ(AdapterResult::Done, session_.SerialPoll(kMeter, kNoSecondary, 1000, statusByte));
    EXPECT_EQ(kEventByte, statusByte);
    EXPECT_EQ("++spoll 22\n", Control("take"));

    // A kept request ends the next look for it, without the adapter.
    ASSERT_EQ(AdapterResult::Done, Send(kMeter, "*CLS;*OPC"));
    EXPECT_EQ(AdapterResult::Done, session_.FindListener(kMeter, kNoSecondary, 1000, listens));
    Control("take");
    EXPECT_EQ(AdapterResult::Done, session_.LookForRequest(kMeter, kNoSecondary, 1000, requested, statusByte));
    EXPECT_TRUE(requested);
    EXPECT_EQ(kRequestByte, statusByte);
    EXPECT_EQ(AdapterResult::Done, session_.LookForRequest(kMeter, kNoSecondary, 1000, requested, statusByte));
    EXPECT_FALSE(requested);
    EXPECT_EQ("++srq\n", Control("take"));

    // Where nothing listens.
    EXPECT_EQ(AdapterResult::Done, session_.FindListener(kNobody, kNoSecondary, 300, listens));
    EXPECT_FALSE(listens);
}

TEST_F(AdapterOperations, AClearDropsWhatTheAnswerLeftUnread)
{
    ASSERT_EQ(AdapterResult::Done, Send(kMeter, "*IDN?"));
    char buffer[64];
    size_t count = 0;
    ReadEnd ended = ReadEnd::None;
    ASSERT_EQ(AdapterResult::Done,
              session_.Read(kMeter, kNoSecondary, buffer, 6, AdapterTerminator(), 1000, &count, &ended));
    EXPECT_EQ("Simbus", std::string(buffer, count));
    EXPECT_EQ(ReadEnd::BufferFull, ended);
    EXPECT_EQ(AdapterResult::Done, session_.Clear(kMeter, kNoSecondary, 300));
    // The rest of the answer is gone: the read asks the device, which has nothing to say.
    EXPECT_EQ(AdapterResult::TimedOut,
              session_.Read(kMeter, kNoSecondary, buffer, sizeof buffer, AdapterTerminator(), 300, &count, &ended));
    EXPECT_EQ(0u, count);
    // The next answer comes whole.
    EXPECT_EQ("+1.234500E+00\n", Query(kMeter, "MEAS:VOLT?"));

    // The same with the answer's rest still coming when the clear comes.
    ASSERT_EQ(AdapterResult::Done, Send(kTalker, "?"));
    ASSERT_EQ(AdapterResult::Done,
              session_.Read(kTalker, kNoSecondary, buffer, 10, AdapterTerminator(), 1000, &count, &ended));
    EXPECT_EQ("ABCDEFGHIJ", std::string(buffer, count));
    EXPECT_EQ(AdapterResult::Done, session_.Clear(kTalker, kNoSecondary, 300));
    EXPECT_EQ(AdapterResult::TimedOut,
              session_.Read(kTalker, kNoSecondary, buffer, sizeof buffer, AdapterTerminator(), 300, &count, &ended));
    EXPECT_EQ(0u, count);
}

TEST(AdapterFamilies, TheVersionNamesTheFamily)
{
    EXPECT_EQ(AdapterFamily::Ar488, FamilyOfVersion("AR488 GPIB controller, ver. 0.51.29, 18/03/2024"));
    EXPECT_EQ(AdapterFamily::Ar488, FamilyOfVersion("ar488 GPIB"));
    EXPECT_EQ(AdapterFamily::Plain, FamilyOfVersion("quenbus simulated GPIB adapter 1.0"));
    EXPECT_EQ(AdapterFamily::Plain, FamilyOfVersion("GPIB AR488"));
    EXPECT_EQ(AdapterFamily::Plain, FamilyOfVersion("AR48"));
    EXPECT_EQ(AdapterFamily::Plain, FamilyOfVersion(""));
}

// Run against each firmware the simulated adapter plays.
class AdapterFirmware : public AdapterOperations {
protected:
    static bool Ar488() { return Environment("QUENBUS_ADAPTER_FIRMWARE") == "ar488"; }
};

TEST_F(AdapterFirmware, APlainAdapterAssertsRemoteEnableItself)
{
    if (Ar488())
        GTEST_SKIP() << "an AR488 adapter";
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(true, false, 1000));
    EXPECT_EQ(std::string(kSetup) + "++ver\n", Control("take"));
    // Asked once for the connection.
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(true, true, 1000));
    EXPECT_EQ(AdapterResult::NotSupported, session_.RemoteEnable(false, false, 1000));
    EXPECT_EQ(AdapterResult::NotSupported, session_.RemoteEnable(false, true, 1000));
    EXPECT_EQ("++llo\n", Control("take"));
    // Asked again when the connection is opened again.
    session_.Close();
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(true, false, 1000));
    EXPECT_EQ(std::string(kSetup) + "++ver\n", Control("take"));
}

TEST_F(AdapterFirmware, AnAr488DrivesRemoteEnable)
{
    if (!Ar488())
        GTEST_SKIP() << "not an AR488 adapter";
    std::string version;
    EXPECT_EQ(AdapterResult::Done, session_.Version(1000, version));
    EXPECT_EQ(AdapterFamily::Ar488, FamilyOfVersion(version)) << version;
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(false, true, 1000));
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(true, true, 1000));
    EXPECT_EQ(AdapterResult::Done, session_.RemoteEnable(true, false, 1000));
    std::string expected = std::string(kSetup) + "++ver\n++ren 0\n++ren 1\n++llo\n++ren 1\n";
    EXPECT_EQ(expected, TakeAtLeast(expected.size()));
}

} // namespace
