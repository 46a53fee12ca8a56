// The SICL substitute on the default bench of hpib7.
#include "sicl/sicl32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

// A session opened for a test and closed with it.
class Session {
public:
    explicit Session(const char* address) : id_(SiclOpen(address)) {}
    ~Session()
    {
        if (id_)
            SiclClose(id_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int Id() const { return id_; }

    // The answer to a query, or "<failed>".
    std::string Query(const char* command, const char* readFormat = "%t")
    {
        std::string reply(70000, 'x');
        if (!SiclPromptf(id_, "%s\n", readFormat, command, &reply[0]))
            return "<failed>";
        return reply.c_str();
    }

private:
    int id_;
};

TEST(Sicl, OpensOnlyDeviceAddressesOfHpib7)
{
    for (const char* address : {"hpib7,22", "HPIB7,0", "hpib7,30,30", "hpib7,5,0"}) {
        Session session(address);
        EXPECT_NE(session.Id(), 0) << address;
    }
    for (const char* address : {"hpib7", "hpib7,", "hpib7,31", "hpib7,22,31", "hpib7,2x", "hpib7,-1", "hpib7,022",
                                "hpib9,22", "gpib0,22", "", ",22"}) {
        EXPECT_EQ(SiclOpen(address), 0) << address;
    }
    EXPECT_EQ(SiclOpen(nullptr), 0);
}

TEST(Sicl, FormattedQueriesReadUpToEndOrTheTerminationCharacter)
{
    Session meter("hpib7,22");
    EXPECT_EQ(meter.Query("*IDN?"), "Simbus,Multimeter,0,1.0\n");
    EXPECT_EQ(meter.Query("*RST"), "<failed>");
    EXPECT_EQ(meter.Query("MEAS:VOLT?", "%5t"), "+1.23");
    // The rest of the answer went with the query.
    EXPECT_EQ(meter.Query("*RST"), "<failed>");

    Session echo("hpib7,5");
    EXPECT_EQ(SiclTermChar(echo.Id(), 13), 0);
    EXPECT_EQ(echo.Query("one\rtwo"), "one\r");
    EXPECT_EQ(SiclTermChar(echo.Id(), -1), 0);
    EXPECT_EQ(echo.Query("one\rtwo"), "one\rtwo");

    Session talker("hpib7,12");
    EXPECT_EQ(talker.Query("x").size(), 300u);
    EXPECT_EQ(talker.Query("x", "%255t").size(), 255u);
}

TEST(Sicl, FormattedWritesSendEndWithTheFormatsLineFeeds)
{
    Session echo("hpib7,5");
    EXPECT_EQ(SiclPrintf(echo.Id(), "%s=%d%c%%", "value", -12, '!'), 1);
    EXPECT_EQ(SiclPrintf(echo.Id(), " more\n"), 1);
    char reply[64];
    ASSERT_EQ(SiclPromptf(echo.Id(), "", "%t", reply), 1);
    EXPECT_STREQ(reply, "value=-12!% more");
    // Nothing sent, nothing to read.
    EXPECT_EQ(SiclPromptf(echo.Id(), "%s", "%t", "", reply), 0);
    // A line feed inside an argument does not end the message.
    EXPECT_EQ(SiclPromptf(echo.Id(), "%s\n", "%t", "a\nb", reply), 1);
    EXPECT_STREQ(reply, "a\nb");
}

TEST(Sicl, FailuresAreReportedAsTheCommandsExpect)
{
    char reply[16] = "untouched";
    Session silent("hpib7,9");
    EXPECT_EQ(SiclPrintf(silent.Id(), "%s\n", "*IDN?"), 1);
    EXPECT_EQ(SiclPromptf(silent.Id(), "%s\n", "%t", "*IDN?", reply), 0);
    EXPECT_STREQ(reply, "untouched");

    Session nobody("hpib7,3");
    EXPECT_EQ(SiclPrintf(nobody.Id(), "%s\n", "*RST"), 0);
    EXPECT_EQ(SiclPrintf(nobody.Id(), "%f\n", 1.0), 0);
    EXPECT_EQ(SiclPromptf(nobody.Id(), "%s\n", "%s", "*IDN?", reply), 0);
    EXPECT_EQ(SiclPromptf(nobody.Id(), "%s\n", "%0t", "*IDN?", reply), 0);
    EXPECT_EQ(SiclPromptf(nobody.Id(), "%s\n", "%65537t", "*IDN?", reply), 0);

    EXPECT_EQ(SiclTimeout(0, 20000), SICL_ERR_BAD_ID);
    EXPECT_EQ(SiclTimeout(nobody.Id(), -1), SICL_ERR_BAD_ARGUMENT);
    EXPECT_EQ(SiclTermChar(0, 13), SICL_ERR_BAD_ID);
    EXPECT_EQ(SiclTermChar(nobody.Id(), 256), SICL_ERR_BAD_ARGUMENT);
    EXPECT_EQ(SiclPrintf(0, "%s\n", "*RST"), 0);
    EXPECT_EQ(SiclPromptf(0, "%s\n", "%t", "*IDN?", reply), 0);
    EXPECT_EQ(SiclClose(0), SICL_ERR_BAD_ID);
}

TEST(Sicl, CleanUpClosesEverySession)
{
    int first = SiclOpen("hpib7,22");
    int second = SiclOpen("hpib7,5");
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);
    // A closed session's id goes to the next session opened.
    EXPECT_EQ(SiclClose(first), 0);
    int third = SiclOpen("hpib7,9");
    EXPECT_EQ(third, first);
    EXPECT_EQ(SiclCleanup(), 0);
    EXPECT_EQ(SiclClose(third), SICL_ERR_BAD_ID);
    EXPECT_EQ(SiclClose(second), SICL_ERR_BAD_ID);
    // Ids are given anew from 1.
    int again = SiclOpen("hpib7,22");
    EXPECT_EQ(again, 1);
    EXPECT_EQ(SiclClose(again), 0);
}

} // namespace

// The operations beyond writes and reads.
TEST(SiclOperations, AServiceRequestIsWaitedForPolledAndCleared)
{
    Session meter("hpib7,22");
    ASSERT_NE(meter.Id(), 0);
    ASSERT_EQ(SiclPrintf(meter.Id(), "*CLS;*ESE 1;*SRE 32\n"), 1);
    unsigned char statusByte = 0xFF;
    EXPECT_EQ(SiclReadStb(meter.Id(), &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0);
    ASSERT_EQ(SiclPrintf(meter.Id(), "INIT;*OPC\n"), 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SiclWaitRequest(meter.Id(), 5000, &statusByte), SICL_ERR_NONE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(statusByte, 0x60);
    EXPECT_EQ(SiclReadStb(meter.Id(), &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0x20);
    EXPECT_EQ(SiclWaitRequest(meter.Id(), 0, &statusByte), SICL_ERR_TIMEOUT);
    EXPECT_EQ(meter.Query("*ESR?"), "1\n");
    ASSERT_EQ(SiclPrintf(meter.Id(), "*SRE 0;*ESE 0\n"), 1);
}

TEST(SiclOperations, ClearTriggerLocalAndRemoteActOnTheDevice)
{
    Session meter("hpib7,22");
    std::string before = meter.Query("FETC?");
    EXPECT_EQ(SiclTrigger(meter.Id()), SICL_ERR_NONE);
    EXPECT_NE(meter.Query("FETC?"), before);
    ASSERT_EQ(SiclPrintf(meter.Id(), "*IDN?\n"), 1);
    EXPECT_EQ(SiclClear(meter.Id()), SICL_ERR_NONE);
    unsigned char statusByte = 0xFF;
    EXPECT_EQ(SiclReadStb(meter.Id(), &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0);
    EXPECT_EQ(SiclLocal(meter.Id()), SICL_ERR_NONE);
    EXPECT_EQ(SiclRemote(meter.Id()), SICL_ERR_NONE);
}

TEST(SiclOperations, FailuresAreErrorNumbers)
{
    Session nobody("hpib7,7");
    ASSERT_NE(nobody.Id(), 0);
    unsigned char statusByte = 0;
    EXPECT_EQ(SiclClear(nobody.Id()), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclTrigger(nobody.Id()), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclReadStb(nobody.Id(), &statusByte), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclWaitRequest(nobody.Id(), 100, &statusByte), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclLocal(nobody.Id()), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclRemote(nobody.Id()), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclClear(999), SICL_ERR_BAD_ID);
    EXPECT_EQ(SiclWaitRequest(999, 0, &statusByte), SICL_ERR_BAD_ID);
    Session meter("hpib7,22");
    EXPECT_EQ(SiclReadStb(meter.Id(), nullptr), SICL_ERR_BAD_ARGUMENT);
    EXPECT_EQ(SiclWaitRequest(meter.Id(), 0, nullptr), SICL_ERR_BAD_ARGUMENT);
}
