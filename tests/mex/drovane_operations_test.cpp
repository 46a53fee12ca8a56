// The bus driver library's operations beyond writes and reads, on the
// default bench of IEEE0: the multimeter at 22 keeps its status settings
// from one test to the next, so each test sets them first.
#include "registry_test_fixture.h"

#include "drovane/drovane.h"

#include <chrono>
#include <string>

namespace {

const DrvTermRecord kEoiOnly = {1, 0, 0, 0, {0, 0, 0}};
const int kMeasurementMs = 200;

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Handle {
public:
    explicit Handle(int handle) : handle_(handle) {}
    ~Handle()
    {
        if (handle_ >= 0)
            DrvClose(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    int operator*() const { return handle_; }

private:
    int handle_;
};

int OpenDevice(int primary)
{
    return DrvOpenDevice("IEEE0", "TEMP", static_cast<uint8_t>(primary), DRV_NO_SECONDARY, &kEoiOnly, &kEoiOnly,
                         1000);
}

void Send(int handle, const std::string& text)
{
    EXPECT_EQ(DrvWrite(handle, text.data(), static_cast<unsigned long>(text.size()), 1, 1, 0, 0, 0),
              static_cast<long>(text.size()));
}

std::string Read(int handle)
{
    char buffer[256];
    long count = DrvRead(handle, buffer, sizeof buffer, 1, 0, 0, 0);
    return count < 0 ? "<failed " + std::to_string(DrvLastError(handle, 0)) + ">"
                     : std::string(buffer, static_cast<size_t>(count));
}

int Poll(int handle)
{
    uint8_t statusByte = 0xFF;
    return DrvSerialPoll(handle, &statusByte) == 0 ? statusByte : -DrvLastError(handle, 0);
}

using DrovaneOperations = RegistryTest;

TEST_F(DrovaneOperations, AWaitEndsWithTheMeasurementsRequestAndPollsIt)
{
    Handle meter(OpenDevice(22));
    ASSERT_GE(*meter, 0);
    Send(*meter, "*CLS;*ESE 1;*SRE 32");
    EXPECT_EQ(Poll(*meter), 0);
    Send(*meter, "INIT;*OPC");
    Clock::time_point start = Clock::now();
    uint8_t statusByte = 0;
    ASSERT_EQ(DrvWaitRequest(*meter, 5000, &statusByte), 0);
    long long waited = MillisecondsSince(start);
    EXPECT_EQ(statusByte, DRV_STB_RQS | DRV_STB_ESB);
    // The measurement's time, and within 50 ms of its end (a busy machine may add some).
    EXPECT_GE(waited, kMeasurementMs - 20);
    EXPECT_LT(waited, kMeasurementMs + 1000);
    // The wait's poll has taken the request.
    EXPECT_EQ(Poll(*meter), DRV_STB_ESB);
    Send(*meter, "*CLS;*SRE 0;*ESE 0");
}

TEST_F(DrovaneOperations, AWaitLooksOnceWithoutATimeOutAndOtherwiseTimesOut)
{
    Handle meter(OpenDevice(22));
    Send(*meter, "*CLS;*SRE 0");
    uint8_t statusByte = 0;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(DrvWaitRequest(*meter, 0, &statusByte), -1);
    EXPECT_EQ(DrvLastError(*meter, 0), DRV_ERR_TIMEOUT);
    EXPECT_LT(MillisecondsSince(start), 500);
    start = Clock::now();
    EXPECT_EQ(DrvWaitRequest(*meter, 300, &statusByte), -1);
    long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 300);
    EXPECT_LT(waited, 1300);
    // A request there already ends even a look at once.
    Send(*meter, "*ESE 1;*SRE 32;*OPC");
    EXPECT_EQ(DrvWaitRequest(*meter, 0, &statusByte), 0);
    EXPECT_EQ(statusByte, DRV_STB_RQS | DRV_STB_ESB);
    // Without end: the request comes with the measurement.
    Send(*meter, "*CLS;INIT;*OPC");
    EXPECT_EQ(DrvWaitRequest(*meter, DRV_WAIT_FOREVER, &statusByte), 0);
    EXPECT_EQ(statusByte, DRV_STB_RQS | DRV_STB_ESB);
    Send(*meter, "*CLS;*SRE 0;*ESE 0");
}

TEST_F(DrovaneOperations, ClearTriggerAndLocalActOnTheDevice)
{
    Handle meter(OpenDevice(22));
    Send(*meter, "*SRE 0;*IDN?");
    EXPECT_EQ(Poll(*meter), DRV_STB_MAV);
    EXPECT_EQ(DrvClear(*meter), 0);
    EXPECT_EQ(Poll(*meter), 0);
    EXPECT_EQ(Read(*meter), "<failed 103>");
    Send(*meter, "FETC?");
    std::string before = Read(*meter);
    EXPECT_EQ(DrvTrigger(*meter), 0);
    Send(*meter, "FETC?");
    std::string after = Read(*meter);
    EXPECT_NE(before, after);
    EXPECT_EQ(after.substr(0, 7), "+1.2345");
    EXPECT_EQ(DrvLocal(*meter), 0);

    Handle nobody(OpenDevice(7));
    ASSERT_GE(*nobody, 0);
    EXPECT_EQ(DrvClear(*nobody), -1);
    EXPECT_EQ(DrvLastError(*nobody, 0), DRV_ERR_NO_LISTENER);
    EXPECT_EQ(DrvTrigger(*nobody), -1);
    EXPECT_EQ(Poll(*nobody), -DRV_ERR_NO_LISTENER);
    uint8_t statusByte = 0;
    EXPECT_EQ(DrvWaitRequest(*nobody, 100, &statusByte), -1);
    EXPECT_EQ(DrvLastError(*nobody, 0), DRV_ERR_NO_LISTENER);
    EXPECT_EQ(DrvLocal(*nobody), -1);
}

TEST_F(DrovaneOperations, InterfaceOperationsTakeAnInterfaceHandle)
{
    Handle bus(DrvOpenName("IEEE0"));
    ASSERT_GE(*bus, 0);
    EXPECT_EQ(DrvRemoteEnable(*bus, 1, 0), 0);
    EXPECT_EQ(DrvRemoteEnable(*bus, 1, 1), 0);
    EXPECT_EQ(DrvRemoteEnable(*bus, 0, 0), 0);
    EXPECT_EQ(DrvInterfaceClear(*bus), 0);
    EXPECT_EQ(DrvFindListener(*bus, 22, DRV_NO_SECONDARY, 100), 1);
    EXPECT_EQ(DrvFindListener(*bus, 7, DRV_NO_SECONDARY, 100), 0);
    EXPECT_EQ(DrvFindListener(*bus, 22, 0, 100), 0);
    // A lockout needs remote enable; addresses are 0 to 30.
    EXPECT_EQ(DrvRemoteEnable(*bus, 0, 1), -1);
    EXPECT_EQ(DrvLastError(*bus, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvRemoteEnable(*bus, 2, 0), -1);
    EXPECT_EQ(DrvFindListener(*bus, 31, DRV_NO_SECONDARY, 100), -1);
    EXPECT_EQ(DrvLastError(*bus, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvFindListener(*bus, 5, 31, 100), -1);

    // The device calls refuse the interface, and the interface calls a device.
    uint8_t statusByte = 0;
    EXPECT_EQ(DrvClear(*bus), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
    EXPECT_EQ(DrvSerialPoll(*bus, &statusByte), -1);
    EXPECT_EQ(DrvWaitRequest(*bus, 0, &statusByte), -1);
    Handle meter(OpenDevice(22));
    EXPECT_EQ(DrvInterfaceClear(*meter), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
    EXPECT_EQ(DrvRemoteEnable(*meter, 1, 0), -1);
    EXPECT_EQ(DrvFindListener(*meter, 22, DRV_NO_SECONDARY, 100), -1);
    // A poll needs somewhere to put the status byte.
    EXPECT_EQ(DrvSerialPoll(*meter, nullptr), -1);
    EXPECT_EQ(DrvLastError(*meter, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvWaitRequest(*meter, 0, nullptr), -1);
    EXPECT_EQ(DrvClear(-1), -1);
    EXPECT_EQ(DrvInterfaceClear(-1), -1);
}

} // namespace
