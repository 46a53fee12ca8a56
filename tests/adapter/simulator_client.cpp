#include "simulator_client.h"

#include "adapter/byte_channel.h"

#include <cstdlib>
#include <memory>

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string AskControlPort(const char* portVariable, const std::string& line)
{
    AdapterAddress address;
    address.host = "127.0.0.1";
    address.port = std::atoi(Environment(portVariable).c_str());
    std::string error;
    std::unique_ptr<ByteChannel> channel = OpenTcpChannel(address, 2000, error);
    if (!channel || !channel->Send(line + "\n", 2000))
        return "no control port: " + error;
    std::string answer;
    char buffer[4096];
    for (;;) {
        size_t newline = answer.find('\n');
        if (newline != std::string::npos) {
            if (line != "take")
                return answer.substr(0, newline);
            size_t size = std::strtoul(answer.c_str(), nullptr, 10);
            if (answer.size() >= newline + 1 + size)
                return answer.substr(newline + 1, size);
        }
        long count = channel->Receive(buffer, sizeof buffer, 2000);
        if (count <= 0)
            return answer;
        answer.append(buffer, static_cast<size_t>(count));
    }
}

DrvTermRecord Record(int eoi, int eosEnabled, int eosChar)
{
    DrvTermRecord record = {};
    record.eoi = eoi;
    record.eosEnabled = eosEnabled;
    record.eosChar = static_cast<uint8_t>(eosChar);
    return record;
}

long ElapsedMs(std::chrono::steady_clock::time_point start)
{
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}
