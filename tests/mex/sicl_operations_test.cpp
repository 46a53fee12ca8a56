// The SICL library's operations beyond writes and reads, on hpib7's default bench.
#include "sicl/sicl32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

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
    int operator*() const { return id_; }

private:
    int id_;
};

std::string Query(int id, const char* command)
{
    char reply[256] = {};
    return SiclPromptf(id, "%s\n", "%t", command, reply) ? reply : "<failed>";
}

TEST(SiclOperations, AServiceRequestIsWaitedForPolledAndCleared)
{
    Session meter("hpib7,22");
    ASSERT_NE(*meter, 0);
    ASSERT_EQ(SiclPrintf(*meter, "*CLS;*ESE 1;*SRE 32\n"), 1);
    unsigned char statusByte = 0xFF;
    EXPECT_EQ(SiclReadStb(*meter, &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0);
    ASSERT_EQ(SiclPrintf(*meter, "INIT;*OPC\n"), 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SiclWaitRequest(*meter, 5000, &statusByte), SICL_ERR_NONE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(statusByte, 0x60);
    EXPECT_EQ(SiclReadStb(*meter, &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0x20);
    EXPECT_EQ(SiclWaitRequest(*meter, 0, &statusByte), SICL_ERR_TIMEOUT);
    EXPECT_EQ(Query(*meter, "*ESR?"), "1\n");
    ASSERT_EQ(SiclPrintf(*meter, "*SRE 0;*ESE 0\n"), 1);
}

TEST(SiclOperations, ClearTriggerLocalAndRemoteActOnTheDevice)
{
    Session meter("hpib7,22");
    std::string before = Query(*meter, "FETC?");
    EXPECT_EQ(SiclTrigger(*meter), SICL_ERR_NONE);
    EXPECT_NE(Query(*meter, "FETC?"), before);
    ASSERT_EQ(SiclPrintf(*meter, "*IDN?\n"), 1);
    EXPECT_EQ(SiclClear(*meter), SICL_ERR_NONE);
    unsigned char statusByte = 0xFF;
    EXPECT_EQ(SiclReadStb(*meter, &statusByte), SICL_ERR_NONE);
    EXPECT_EQ(statusByte, 0);
    EXPECT_EQ(SiclLocal(*meter), SICL_ERR_NONE);
    EXPECT_EQ(SiclRemote(*meter), SICL_ERR_NONE);
}

TEST(SiclOperations, FailuresAreErrorNumbers)
{
    Session nobody("hpib7,7");
    ASSERT_NE(*nobody, 0);
    unsigned char statusByte = 0;
    EXPECT_EQ(SiclClear(*nobody), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclTrigger(*nobody), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclReadStb(*nobody, &statusByte), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclWaitRequest(*nobody, 100, &statusByte), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclLocal(*nobody), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclRemote(*nobody), SICL_ERR_NO_LISTENER);
    EXPECT_EQ(SiclClear(999), SICL_ERR_BAD_ID);
    EXPECT_EQ(SiclWaitRequest(999, 0, &statusByte), SICL_ERR_BAD_ID);
    Session meter("hpib7,22");
    EXPECT_EQ(SiclReadStb(*meter, nullptr), SICL_ERR_BAD_ARGUMENT);
    EXPECT_EQ(SiclWaitRequest(*meter, 0, nullptr), SICL_ERR_BAD_ARGUMENT);
}

} // namespace
