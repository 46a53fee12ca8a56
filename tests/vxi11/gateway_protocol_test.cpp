// The bus driver library through a simulated LAN/GPIB gateway: the calls it
// makes (chunks of maxRecvSize with END on the last, reads that go on until
// a reason, the time-outs it asks for), how the gateway's errors come back,
// the interface's commands, and the failures of a stalled or dropping
// gateway, a refused port and a wrong host, each followed by a call that
// works. Run by with_simulated_gateway.sh (--max-recv 128 --fragment 7
// --piece 100), which names the gateway in QUENBUS_GATEWAY_URL and its
// control port in QUENBUS_GATEWAY_CONTROL; natively and under Wine alike.
#include "adapter/byte_channel.h"
#include "drovane/drovane.h"
#include "registry_test_fixture.h"
#include "simulator_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const int kNoSecondary = 255;

// A line to the gateway's control port, and its answer (the record, for "take").
std::string Control(const std::string& line)
{
    return AskControlPort("QUENBUS_GATEWAY_CONTROL", line);
}

// The lines of the record that begin with `call`.
std::vector<std::string> Calls(const std::string& record, const std::string& call)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < record.size()) {
        size_t end = record.find('\n', at);
        std::string line = record.substr(at, end - at);
        if (line.compare(0, call.size(), call) == 0)
            lines.push_back(line);
        at = end == std::string::npos ? record.size() : end + 1;
    }
    return lines;
}

class GatewayProtocol : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_FALSE(Environment("QUENBUS_GATEWAY_URL").empty()) << "run through with_simulated_gateway.sh";
        LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"GATE\"\n\"Adapter\"=\"" +
                Environment("QUENBUS_GATEWAY_URL") +
                "\"\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"REFUSED\"\n"
                "\"Adapter\"=\"vxi11://127.0.0.1:1/gpib0\"\n\n"
                "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0002]\n\"UserName\"=\"NOWHERE\"\n"
                "\"Adapter\"=\"vxi11://no-such-gateway.invalid:1024/gpib0\"\n");
        ASSERT_EQ("ok", Control("normal"));
        Control("take");
    }

    void TearDown() override
    {
        for (int handle : handles_)
            DrvClose(handle);
        Control("normal");
        RegistryTest::TearDown();
    }

    int Open(const char* name, int primary, int timeoutMs, DrvTermRecord in = Record(1, 0, 0))
    {
        DrvTermRecord out = Record(1, 0, 0);
        int handle = DrvOpenDevice(name, "TEMP", static_cast<uint8_t>(primary), kNoSecondary, &in, &out, timeoutMs);
        if (handle >= 0)
            handles_.push_back(handle);
        return handle;
    }

    long Write(int handle, const std::string& data) { return DrvWriteBinary(handle, data.data(), data.size(), 1); }

    std::string Read(int handle, unsigned long size, int* ended = nullptr)
    {
        std::string reply(size, '\0');
        unsigned long count = 0;
        int end = 0;
        if (DrvReadEnded(handle, &reply[0], size, &count, &end) < 0)
            return "<error " + std::to_string(DrvLastError(handle, 0)) + ">";
        if (ended)
            *ended = end;
        reply.resize(count);
        return reply;
    }

    std::vector<int> handles_;
};

TEST_F(GatewayProtocol, WritesGoInChunksOfMaxRecvSizeWithEndOnTheLastOnly)
{
    int store = Open("GATE", 18, 2000);
    ASSERT_GE(store, 0);
    std::string block = "WAV:DATA #3300" + std::string(300, '\x04');
    ASSERT_EQ(Write(store, block), static_cast<long>(block.size()));
    std::vector<std::string> writes = Calls(Control("take"), "device_write");
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_NE(writes[0].find(" flags=0 size=128 "), std::string::npos) << writes[0];
    EXPECT_NE(writes[1].find(" flags=0 size=128 "), std::string::npos) << writes[1];
    EXPECT_NE(writes[2].find(" flags=8 size=58 "), std::string::npos) << writes[2];
    ASSERT_EQ(Write(store, "WAV:DATA?"), 9);
    EXPECT_EQ(Read(store, 1000), "#3300" + std::string(300, '\x04') + "\n") << "the block came through whole";
    // Without END the last chunk goes without it too.
    ASSERT_EQ(DrvWriteBinary(store, "abc", 3, 0), 3);
    writes = Calls(Control("take"), "device_write");
    ASSERT_FALSE(writes.empty());
    EXPECT_NE(writes.back().find(" flags=0 size=3 "), std::string::npos) << writes.back();
}

TEST_F(GatewayProtocol, AReadGoesOnUntilTheGatewaySaysWhyItEnded)
{
    int talker = Open("GATE", 12, 2000);
    ASSERT_GE(talker, 0);
    ASSERT_EQ(Write(talker, "x"), 1);
    int ended = 0;
    std::string said = Read(talker, 512, &ended);
    EXPECT_EQ(said.size(), 300u);
    EXPECT_EQ(ended, DRV_END_EOI);
    // The gateway answers 100 bytes at a time, with no reason until the last.
    std::vector<std::string> reads = Calls(Control("take"), "device_read");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_NE(reads[0].find(" size=512 "), std::string::npos) << reads[0];
    EXPECT_NE(reads[2].find(" size=312 "), std::string::npos) << reads[2];

    // The input terminator is the read's termChar; the buffer's end is a reason too.
    int meter = Open("GATE", 22, 2000, Record(1, 1, ','));
    ASSERT_EQ(Write(meter, "*IDN?\n"), 6);
    EXPECT_EQ(Read(meter, 100, &ended), "Simbus,");
    EXPECT_EQ(ended, DRV_END_EOS);
    reads = Calls(Control("take"), "device_read");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_NE(reads[0].find(" flags=128 size=100 term=44"), std::string::npos) << reads[0];
    EXPECT_EQ(Read(meter, 4, &ended), "Mult");
    EXPECT_EQ(ended, DRV_END_FULL);
}

TEST_F(GatewayProtocol, GenericCallsCarryTheDevicesTimeOutAsIoTimeout)
{
    int meter = Open("GATE", 22, 700);
    ASSERT_GE(meter, 0);
    ASSERT_EQ(DrvClear(meter), 0);
    uint8_t statusByte = 0xFF;
    ASSERT_EQ(DrvSerialPoll(meter, &statusByte), 0);
    EXPECT_EQ(statusByte, 0) << "nothing to say after the clear";
    ASSERT_EQ(DrvTrigger(meter), 0);
    ASSERT_EQ(DrvLocal(meter), 0);
    std::string record = Control("take");
    for (const char* call : {"device_readstb", "device_trigger", "device_clear", "device_local"}) {
        std::vector<std::string> lines = Calls(record, call);
        ASSERT_EQ(lines.size(), 1u) << call;
        // Device_GenericParms: lid, flags, lock_timeout, io_timeout; io within the 700 ms.
        size_t io = lines[0].find(" io=");
        ASSERT_NE(io, std::string::npos) << lines[0];
        long asked = std::atol(lines[0].c_str() + io + 4);
        EXPECT_TRUE(asked > 600 && asked <= 700) << lines[0];
        EXPECT_NE(lines[0].find(" flags=0 lock=0 "), std::string::npos) << lines[0];
    }
}

// The longest time-out the library takes, a time-out without end to a caller.
TEST_F(GatewayProtocol, ATimeOutWithoutEndStillTalks)
{
    int meter = Open("GATE", 22, 0x7FFFFFFF);
    ASSERT_GE(meter, 0);
    ASSERT_EQ(Write(meter, "*IDN?"), 5);
    EXPECT_EQ(Read(meter, 100), "Simbus,Multimeter,0,1.0\n");
    std::vector<std::string> reads = Calls(Control("take"), "device_read");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_NE(reads[0].find(" io=21474836"), std::string::npos) << reads[0];
}

TEST_F(GatewayProtocol, TheGatewaysErrorsBecomeTheLibrarys)
{
    int meter = Open("GATE", 22, 1000);
    ASSERT_GE(meter, 0);
    ASSERT_EQ(Write(meter, "*IDN?"), 5) << "the link is made before the errors";
    Read(meter, 100);
    struct Case {
        int gatewayError;
        int libraryError;
    } cases[] = {{15, DRV_ERR_TIMEOUT}, {17, DRV_ERR_IO}, {3, DRV_ERR_NO_LISTENER}, {21, DRV_ERR_NO_LISTENER},
                 {11, DRV_ERR_BUSY},    {8, DRV_ERR_NOT_SUPPORTED}, {23, DRV_ERR_IO}};
    for (const Case& c : cases) {
        ASSERT_EQ("ok", Control("error " + std::to_string(c.gatewayError)));
        EXPECT_EQ(DrvTrigger(meter), -1) << c.gatewayError;
        EXPECT_EQ(DrvLastError(meter, 0), c.libraryError) << c.gatewayError;
    }
    EXPECT_EQ(DrvTrigger(meter), 0) << "an error is the gateway's answer: the link stays";
    // Nothing on the bench at 3: a write is not accessible, a read times out.
    int nobody = Open("GATE", 3, 300);
    EXPECT_EQ(Write(nobody, "*IDN?"), -1);
    EXPECT_EQ(DrvLastError(nobody, 0), DRV_ERR_NO_LISTENER);
    EXPECT_EQ(Read(nobody, 10), "<error 103>");
}

TEST_F(GatewayProtocol, TheInterfaceClearsAndDrivesRemoteEnableByDocmd)
{
    int bus = DrvOpenName("GATE");
    ASSERT_GE(bus, 0);
    EXPECT_EQ(DrvInterfaceClear(bus), 0);
    EXPECT_EQ(DrvRemoteEnable(bus, 1, 1), 0);
    EXPECT_EQ(DrvRemoteEnable(bus, 0, 0), 0);
    std::string record = Control("take");
    EXPECT_EQ(Calls(record, "create_link gpib0 ").size(), 1u) << record;
    std::vector<std::string> commands = Calls(record, "device_docmd");
    ASSERT_EQ(commands.size(), 4u) << record;
    EXPECT_NE(commands[0].find(" cmd=131088 size=0"), std::string::npos) << commands[0]; // IFC
    EXPECT_NE(commands[1].find(" cmd=131075 size=2"), std::string::npos) << commands[1]; // REN
    EXPECT_NE(commands[2].find(" cmd=131072 size=1"), std::string::npos) << commands[2]; // LLO
    EXPECT_NE(commands[3].find(" cmd=131075 size=2"), std::string::npos) << commands[3];
    EXPECT_EQ(DrvFindListener(bus, 22, kNoSecondary, 500), 1);
    EXPECT_EQ(DrvFindListener(bus, 3, kNoSecondary, 500), 0);
    ASSERT_EQ("ok", Control("error 8"));
    EXPECT_EQ(DrvInterfaceClear(bus), -1);
    EXPECT_EQ(DrvLastError(bus, 0), DRV_ERR_NOT_SUPPORTED);
    EXPECT_EQ(DrvClose(bus), 0);
}

TEST_F(GatewayProtocol, AListenerCheckKeepsTheRequestItTakes)
{
    int meter = Open("GATE", 22, 1000);
    ASSERT_GE(meter, 0);
    ASSERT_EQ(Write(meter, "*CLS;*ESE 1;*SRE 32;*OPC"), 24);
    int bus = DrvOpenName("GATE");
    ASSERT_GE(bus, 0);
    EXPECT_EQ(DrvFindListener(bus, 22, kNoSecondary, 500), 1);
    uint8_t statusByte = 0;
    ASSERT_EQ(DrvWaitRequest(meter, 1000, &statusByte), 0);
    EXPECT_EQ(statusByte, 0x60) << "the request the check took";
    ASSERT_EQ(DrvSerialPoll(meter, &statusByte), 0);
    EXPECT_EQ(statusByte, 0x20);
    EXPECT_EQ(DrvClose(bus), 0);
}

TEST_F(GatewayProtocol, AStalledOrDroppingGatewayFailsInTimeAndTheNextCallWorks)
{
    int meter = Open("GATE", 22, 500);
    ASSERT_GE(meter, 0);
    ASSERT_EQ(Write(meter, "*IDN?"), 5);
    EXPECT_EQ(Read(meter, 100), "Simbus,Multimeter,0,1.0\n");
    ASSERT_EQ("ok", Control("stall"));
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Write(meter, "*IDN?"), -1);
    EXPECT_EQ(DrvLastError(meter, 0), DRV_ERR_TIMEOUT);
    EXPECT_LT(ElapsedMs(start), 500 + 1000);
    ASSERT_EQ("ok", Control("normal"));
    ASSERT_EQ(Write(meter, "*IDN?"), 5) << "a new connection and link after the stall";
    EXPECT_EQ(Read(meter, 100), "Simbus,Multimeter,0,1.0\n");

    ASSERT_EQ("ok", Control("drop"));
    start = Clock::now();
    EXPECT_EQ(Write(meter, "*IDN?"), -1);
    EXPECT_EQ(DrvLastError(meter, 0), DRV_ERR_NO_BOARD);
    EXPECT_LT(ElapsedMs(start), 500 + 1000);
    ASSERT_EQ("ok", Control("normal"));
    ASSERT_EQ(Write(meter, "*IDN?"), 5) << "a new connection after the drop";
    EXPECT_EQ(Read(meter, 100), "Simbus,Multimeter,0,1.0\n");
}

TEST_F(GatewayProtocol, ARefusedPortAndAWrongHostFailWithinTheTimeOut)
{
    for (const char* name : {"REFUSED", "NOWHERE"}) {
        int device = Open(name, 22, 800);
        ASSERT_GE(device, 0) << name << ": a gateway's device opens without asking it";
        Clock::time_point start = Clock::now();
        EXPECT_EQ(Write(device, "*IDN?"), -1) << name;
        EXPECT_EQ(DrvLastError(device, 0), DRV_ERR_NO_BOARD) << name;
        EXPECT_LT(ElapsedMs(start), 800 + 1000) << name;
    }
    char answer[256];
    EXPECT_EQ(DrvProbeAdapter("vxi11://127.0.0.1:1/gpib0", answer, sizeof answer, 500), 0);
    EXPECT_NE(std::string(answer).find("127.0.0.1"), std::string::npos) << answer;
    EXPECT_EQ(DrvProbeAdapter(Environment("QUENBUS_GATEWAY_URL").c_str(), answer, sizeof answer, 1000), 1);
    EXPECT_EQ(std::string(answer), "VXI-11 gateway, gpib0 linked, maxRecvSize 128");
    EXPECT_EQ(DrvProbeAdapter("vxi11://127.0.0.1:5/", answer, sizeof answer, 1000), -1) << "no interface name";
}

} // namespace
