// The adapter addresses that an "Adapter" value and quenbus adapter take.
#include "adapter/adapter_url.h"

#include <gtest/gtest.h>

namespace {

TEST(AdapterUrl, TcpTakesAHostAndAPortThatDefaultsTo1234)
{
    AdapterAddress address;
    std::string error;
    ASSERT_TRUE(ParseAdapterUrl("tcp://192.168.1.20", address, error)) << error;
    EXPECT_EQ(AdapterAddress::Kind::Tcp, address.kind);
    EXPECT_EQ("192.168.1.20", address.host);
    EXPECT_EQ(1234, address.port);
    ASSERT_TRUE(ParseAdapterUrl("TCP://gpib-lan:5025", address, error)) << error;
    EXPECT_EQ("gpib-lan", address.host);
    EXPECT_EQ(5025, address.port);
    for (const char* bad : {"tcp://", "tcp://:1234", "tcp://host:0", "tcp://host:65536", "tcp://host:12a",
                            "tcp://host/path", "http://host", "host:1234", ""}) {
        EXPECT_FALSE(ParseAdapterUrl(bad, address, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(AdapterUrl, SerialTakesAComPortAndABaudRateThatDefaultsTo115200)
{
    AdapterAddress address;
    std::string error;
    ASSERT_TRUE(ParseAdapterUrl("serial://com3", address, error)) << error;
    EXPECT_EQ(AdapterAddress::Kind::Serial, address.kind);
    EXPECT_EQ("COM3", address.device);
    EXPECT_EQ(115200, address.baud);
    ASSERT_TRUE(ParseAdapterUrl("serial://COM12?baud=9600", address, error)) << error;
    EXPECT_EQ("COM12", address.device);
    EXPECT_EQ(9600, address.baud);
    for (const char* bad : {"serial://", "serial://COM0", "serial://COM257", "serial://LPT1", "serial://COM3?speed=9600",
                            "serial://COM3?baud=fast", "serial://COM3?baud=10"})
        EXPECT_FALSE(ParseAdapterUrl(bad, address, error)) << bad;
}

} // namespace
