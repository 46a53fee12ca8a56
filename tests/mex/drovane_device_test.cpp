// The bus driver library's device calls on the default bench of IEEE0.
#include "registry_test_fixture.h"

#include "drovane/drovane.h"

#include <string>

namespace {

const DrvTermRecord kEoiAndCarriageReturn = {1, 0, 1, 13, {0, 0, 0}};
const DrvTermRecord kEoiOnly = {1, 0, 0, 0, {0, 0, 0}};
const DrvTermRecord kNoTerminator = {0, 0, 0, 0, {0, 0, 0}};

// A device opened for a test and closed with it.
class Device {
public:
    Device(int primary, const DrvTermRecord& in, const DrvTermRecord& out, int secondary = 255)
        : handle_(DrvOpenDevice("IEEE0", "TEMP", static_cast<uint8_t>(primary), secondary, &in, &out, 1000))
    {
    }
    ~Device()
    {
        if (handle_ >= 0)
            DrvClose(handle_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    int Handle() const { return handle_; }

    long Write(const std::string& text, int eoi = 1)
    {
        return DrvWrite(handle_, text.data(), static_cast<unsigned long>(text.size()), eoi, 1, 0, 0, 0);
    }

    // The bytes read, or "<failed N>" with the error number.
    std::string Read(unsigned long size = 256)
    {
        std::string buffer(size, '\0');
        long count = DrvRead(handle_, &buffer[0], size, 1, 0, 0, 0);
        if (count < 0)
            return "<failed " + std::to_string(DrvLastError(handle_, 0)) + ">";
        return buffer.substr(0, static_cast<size_t>(count));
    }

private:
    int handle_;
};

using DrovaneDevices = RegistryTest;

TEST_F(DrovaneDevices, AQueryIsAWriteAndARead)
{
    Device meter(22, kEoiAndCarriageReturn, kEoiAndCarriageReturn);
    ASSERT_GE(meter.Handle(), 0);
    EXPECT_EQ(meter.Write("*IDN?"), 5);
    EXPECT_EQ(meter.Read(), "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(meter.Read(), "<failed 103>");
    EXPECT_EQ(meter.Write("MEAS:VOLT?"), 10);
    EXPECT_EQ(meter.Read(4), "+1.2");
    EXPECT_EQ(meter.Read(), "34500E+00\n");
}

TEST_F(DrovaneDevices, TheTerminatorRecordsDecideWhereMessagesEnd)
{
    // An end-of-string character in the output ends a message; EOI ends the last.
    Device echo(5, kEoiAndCarriageReturn, kEoiAndCarriageReturn);
    EXPECT_EQ(echo.Write("AB\rCD"), 5);
    EXPECT_EQ(echo.Read(), "CD");

    // Without EOI on the write the message waits for the rest.
    Device quiet(5, kEoiOnly, kEoiOnly);
    EXPECT_EQ(quiet.Write("first ", 0), 6);
    EXPECT_EQ(quiet.Write("part"), 4);
    EXPECT_EQ(quiet.Read(), "first part");
    Device noEnd(5, kNoTerminator, kNoTerminator);
    EXPECT_EQ(noEnd.Write("held"), 4);
    EXPECT_EQ(noEnd.Read(), "<failed 103>");
    EXPECT_EQ(quiet.Write(" back"), 5);
    EXPECT_EQ(quiet.Read(), "held back");

    // A full buffer ends a read; the rest ends with EOI, or is not seen without it.
    Device talker(12, kEoiOnly, kEoiOnly);
    EXPECT_EQ(talker.Write("x"), 1);
    EXPECT_EQ(talker.Read().size(), 256u);
    EXPECT_EQ(talker.Read().size(), 44u);
    Device deaf(12, kNoTerminator, kEoiOnly);
    EXPECT_EQ(deaf.Write("x"), 1);
    EXPECT_EQ(deaf.Read().size(), 256u);
    EXPECT_EQ(deaf.Read(), "<failed 103>");
}

TEST_F(DrovaneDevices, AddressesAreCheckedAtOpenAndListenersAtWrite)
{
    EXPECT_EQ(DrvOpenDevice("IEEE0", "TEMP", 31, 255, &kEoiOnly, &kEoiOnly, 1000), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvOpenDevice("IEEE0", "TEMP", 5, 31, &kEoiOnly, &kEoiOnly, 1000), -1);
    EXPECT_EQ(DrvOpenDevice("IEEE0", "TEMP", 5, 255, nullptr, &kEoiOnly, 1000), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DrvOpenDevice("IEEE9", "TEMP", 5, 255, &kEoiOnly, &kEoiOnly, 1000), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_UNKNOWN_NAME);

    // A device with a secondary address opens; nothing listens there.
    Device secondary(5, kEoiOnly, kEoiOnly, 0);
    ASSERT_GE(secondary.Handle(), 0);
    EXPECT_EQ(secondary.Write("x"), -1);
    EXPECT_EQ(DrvLastError(secondary.Handle(), 0), DRV_ERR_NO_LISTENER);
    EXPECT_EQ(secondary.Read(), "<failed 103>");
}

TEST_F(DrovaneDevices, DeviceCallsRefuseInterfaceAndClosedHandles)
{
    int interfaceHandle = DrvOpenName("IEEE0");
    ASSERT_GE(interfaceHandle, 0);
    char buffer[8];
    EXPECT_EQ(DrvWrite(interfaceHandle, "x", 1, 1, 1, 0, 0, 0), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
    EXPECT_EQ(DrvRead(interfaceHandle, buffer, sizeof buffer, 1, 0, 0, 0), -1);
    EXPECT_EQ(DrvClose(interfaceHandle), 0);
    EXPECT_EQ(DrvWrite(-1, "x", 1, 1, 1, 0, 0, 0), -1);
    EXPECT_EQ(DrvRead(-1, buffer, sizeof buffer, 1, 0, 0, 0), -1);
    EXPECT_EQ(DrvClose(-1), -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
}

} // namespace

namespace {

struct EndedRead {
    int result;
    std::string bytes;
    int ended;
};

EndedRead ReadEnded(int handle, unsigned long size)
{
    std::string buffer(size, '\0');
    unsigned long count = 99;
    int ended = -1;
    int result = DrvReadEnded(handle, &buffer[0], size, &count, &ended);
    return EndedRead{result, buffer.substr(0, count), ended};
}

TEST_F(DrovaneDevices, AReadSaysWhyItEnded)
{
    Device echo(5, kEoiAndCarriageReturn, kEoiOnly);
    ASSERT_EQ(echo.Write("AB\rCD"), 5);
    EndedRead character = ReadEnded(echo.Handle(), 256);
    EXPECT_EQ(character.result, 0);
    EXPECT_EQ(character.bytes, "AB\r");
    EXPECT_EQ(character.ended, DRV_END_EOS);
    EndedRead full = ReadEnded(echo.Handle(), 1);
    EXPECT_EQ(full.bytes, "C");
    EXPECT_EQ(full.ended, DRV_END_FULL);
    EndedRead end = ReadEnded(echo.Handle(), 256);
    EXPECT_EQ(end.bytes, "D");
    EXPECT_EQ(end.ended, DRV_END_EOI);
    EndedRead none = ReadEnded(echo.Handle(), 256);
    EXPECT_EQ(none.result, -1);
    EXPECT_EQ(none.bytes, "");
    EXPECT_EQ(none.ended, DRV_END_NONE);
    EXPECT_EQ(DrvLastError(echo.Handle(), 0), DRV_ERR_TIMEOUT);
}

TEST_F(DrovaneDevices, ATimedOutReadSaysHowMuchArrived)
{
    Device noEnd(5, kNoTerminator, kEoiOnly);
    ASSERT_EQ(noEnd.Write("held"), 4);
    EndedRead read = ReadEnded(noEnd.Handle(), 256);
    EXPECT_EQ(read.result, -1);
    EXPECT_EQ(read.bytes, "held");
    EXPECT_EQ(read.ended, DRV_END_NONE);
    EXPECT_EQ(ReadEnded(-1, 16).result, -1);
    EXPECT_EQ(DrvLastError(-1, 0), DRV_ERR_BAD_HANDLE);
}

} // namespace
