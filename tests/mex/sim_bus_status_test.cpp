// The simulated instruments' status reporting and the bus operations on them:
// device clear, trigger, serial poll and service requests, remote and local.
#include "simbus/sim_bus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

const int kMeter = 22;
const int kOther = 23;
const int kNone = GPIB_NO_SECONDARY;

SimBus TwoMeters()
{
    Bench bench;
    std::string error;
    EXPECT_TRUE(ParseBench("22 multimeter\n23 multimeter\n5 echo\n", bench, error)) << error;
    return SimBus(bench);
}

void Send(SimBus& bus, int primary, const std::string& message)
{
    EXPECT_TRUE(bus.Write(primary, kNone, message.data(), message.size(), true));
}

std::string Ask(SimBus& bus, int primary, const std::string& message)
{
    Send(bus, primary, message);
    char buffer[256];
    size_t count = 0;
    if (!bus.Read(primary, kNone, buffer, sizeof buffer, true, -1, 0, &count))
        return "<time-out>";
    return std::string(buffer, count);
}

int Poll(SimBus& bus, int primary)
{
    uint8_t statusByte = 0;
    EXPECT_TRUE(bus.SerialPoll(primary, kNone, statusByte));
    return statusByte;
}

} // namespace

TEST(SimulatedStatus, AnEnabledEventRequestsServiceUntilAPollTakesTheRequest)
{
    SimBus bus = TwoMeters();
    EXPECT_EQ(Poll(bus, kMeter), 0);
    Send(bus, kMeter, "*ESE 1;*SRE 32");
    EXPECT_EQ(Ask(bus, kMeter, "*ESE?;*SRE?"), "1;32\n");
    EXPECT_FALSE(bus.ServiceRequested());
    Send(bus, kMeter, "*OPC");
    EXPECT_TRUE(bus.Requesting(kMeter, kNone));
    EXPECT_TRUE(bus.ServiceRequested());
    // *STB? shows the summary without taking the request.
    EXPECT_EQ(Ask(bus, kMeter, "*STB?"), "96\n");
    EXPECT_TRUE(bus.ServiceRequested());
    EXPECT_EQ(Poll(bus, kMeter), 0x60);
    EXPECT_FALSE(bus.ServiceRequested());
    // The event stays until *ESR? or *CLS; a second poll shows it without RQS.
    EXPECT_EQ(Poll(bus, kMeter), 0x20);
    EXPECT_EQ(Ask(bus, kMeter, "*ESR?"), "1\n");
    EXPECT_EQ(Poll(bus, kMeter), 0);
    Send(bus, kMeter, "*OPC");
    Send(bus, kMeter, "*CLS");
    EXPECT_FALSE(bus.ServiceRequested());
    EXPECT_EQ(Poll(bus, kMeter), 0);
}

TEST(SimulatedStatus, AMessageAvailableRequestsServiceWhileItIsUnread)
{
    SimBus bus = TwoMeters();
    Send(bus, kMeter, "*SRE 16");
    Send(bus, kMeter, "*IDN?");
    EXPECT_TRUE(bus.Requesting(kMeter, kNone));
    char buffer[256];
    size_t count = 0;
    ASSERT_TRUE(bus.Read(kMeter, kNone, buffer, sizeof buffer, true, -1, 0, &count));
    // Read away before a poll: the reason for the request is gone, and so is the request.
    EXPECT_FALSE(bus.Requesting(kMeter, kNone));
    Send(bus, kMeter, "*IDN?");
    EXPECT_EQ(Poll(bus, kMeter), 0x50);
    EXPECT_EQ(Poll(bus, kMeter), 0x10);
}

TEST(SimulatedStatus, OneInstrumentsRequestLeavesTheOthersAlone)
{
    SimBus bus = TwoMeters();
    Send(bus, kOther, "*ESE 1;*SRE 32;*OPC");
    EXPECT_TRUE(bus.ServiceRequested());
    EXPECT_FALSE(bus.Requesting(kMeter, kNone));
    EXPECT_EQ(Poll(bus, kMeter), 0);
    EXPECT_TRUE(bus.Requesting(kOther, kNone));
    EXPECT_EQ(Poll(bus, kOther), 0x60);
}

TEST(SimulatedStatus, AMeasurementCompletesOperationsAfterItsTime)
{
    SimBus bus = TwoMeters();
    auto start = std::chrono::steady_clock::now();
    Send(bus, kMeter, "*ESE 1;*SRE 32;INIT;*OPC");
    bool soon = bus.Requesting(kMeter, kNone);
    auto looked = std::chrono::steady_clock::now() - start;
    // Only a look within the measurement's time tells that it had not ended.
    if (looked < std::chrono::milliseconds(Instrument::kMeasurementMs / 2)) {
        EXPECT_FALSE(soon);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Instrument::kMeasurementMs + 50));
    EXPECT_TRUE(bus.Requesting(kMeter, kNone));
    EXPECT_EQ(Ask(bus, kMeter, "FETC?"), "+1.234501E+00\n");
}

TEST(SimulatedStatus, TriggersAndReadsTakeNewReadings)
{
    SimBus bus = TwoMeters();
    EXPECT_EQ(Ask(bus, kMeter, "FETC?"), "+1.234500E+00\n");
    EXPECT_TRUE(bus.Trigger(kMeter, kNone));
    EXPECT_EQ(Ask(bus, kMeter, "FETCH?"), "+1.234501E+00\n");
    Send(bus, kMeter, "*TRG");
    EXPECT_EQ(Ask(bus, kMeter, "READ?"), "+1.234503E+00\n");
    // The fixed measurement of the default bench's multimeter stays as it is.
    EXPECT_EQ(Ask(bus, kMeter, "MEAS:VOLT?"), "+1.234500E+00\n");
    EXPECT_EQ(Ask(bus, kMeter, "*OPC?"), "1\n");
    EXPECT_FALSE(bus.Trigger(7, kNone));
}

TEST(SimulatedStatus, DeviceClearDropsTheUnreadAnswerThePartialMessageAndTheMeasurement)
{
    SimBus bus = TwoMeters();
    Send(bus, kMeter, "*IDN?");
    EXPECT_TRUE(bus.Clear(kMeter, kNone));
    EXPECT_EQ(bus.Unsaid(kMeter, kNone), 0u);
    // Half a message, then the clear: the rest alone is a message of its own.
    ASSERT_TRUE(bus.Write(kMeter, kNone, "*ID", 3, false));
    EXPECT_TRUE(bus.Clear(kMeter, kNone));
    EXPECT_EQ(Ask(bus, kMeter, "N?"), "<time-out>");
    Send(bus, kMeter, "*ESE 1;*SRE 32;INIT;*OPC");
    EXPECT_TRUE(bus.Clear(kMeter, kNone));
    std::this_thread::sleep_for(std::chrono::milliseconds(Instrument::kMeasurementMs + 50));
    EXPECT_FALSE(bus.Requesting(kMeter, kNone));
    EXPECT_EQ(Ask(bus, kMeter, "MEAS:VOLT?"), "+1.234500E+00\n");
    EXPECT_FALSE(bus.Clear(7, kNone));
}

TEST(SimulatedStatus, InstrumentsGoRemoteWhenAddressedAndLocalAsTold)
{
    SimBus bus = TwoMeters();
    EXPECT_FALSE(bus.Remote(kMeter, kNone));
    Send(bus, kMeter, "*CLS");
    EXPECT_TRUE(bus.Remote(kMeter, kNone));
    EXPECT_TRUE(bus.GoToLocal(kMeter, kNone));
    EXPECT_FALSE(bus.Remote(kMeter, kNone));
    EXPECT_TRUE(bus.GoToRemote(kOther, kNone));
    bus.RemoteEnable(true, true);
    EXPECT_TRUE(bus.LockedOut());
    // Released: every instrument is local, and the lockout is over.
    bus.RemoteEnable(false, false);
    EXPECT_FALSE(bus.Remote(kOther, kNone));
    EXPECT_FALSE(bus.LockedOut());
    Send(bus, kMeter, "*CLS");
    EXPECT_FALSE(bus.Remote(kMeter, kNone));
    EXPECT_FALSE(bus.GoToLocal(7, kNone));
}

TEST(SimulatedStatus, AQueryAnswersEvenAnEmptyTextAndCommandsAnswerNothing)
{
    Bench bench;
    std::string error;
    ASSERT_TRUE(ParseBench("22 multimeter \"\"\n", bench, error)) << error;
    SimBus bus(bench);
    EXPECT_EQ(Ask(bus, kMeter, "*IDN?"), "\n");
    EXPECT_EQ(Ask(bus, kMeter, "*IDN?;*SRE?"), ";0\n");
    EXPECT_EQ(Ask(bus, kMeter, "*CLS;*SRE 16"), "<time-out>");
}
