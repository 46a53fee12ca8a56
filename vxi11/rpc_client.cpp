#include "vxi11/rpc_client.h"

#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A first xid that differs from one connection to the next.
uint32_t FirstXid()
{
    return static_cast<uint32_t>(Clock::now().time_since_epoch().count()) * 2654435761u;
}

} // namespace

RpcClient::RpcClient(std::unique_ptr<ByteChannel> channel, size_t limit)
    : channel_(std::move(channel)), reader_(limit), xid_(FirstXid())
{
}

RpcOutcome RpcClient::Call(uint32_t program, uint32_t version, uint32_t procedure, const std::string& arguments,
                           int timeoutMs, std::string& results)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const uint32_t xid = ++xid_;
    if (!channel_->Send(RecordMarked(RpcCallMessage(xid, program, version, procedure, arguments)), timeoutMs)) {
        problem_ = "the connection failed while sending";
        return RpcOutcome::Closed;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::string record;
        while (reader_.TakeRecord(record)) {
            uint32_t answered = 0;
            RpcReply reply = ParseRpcReply(record, answered, results);
            if (reply == RpcReply::Malformed) {
                problem_ = RpcReplyText(reply);
                return RpcOutcome::Closed;
            }
            if (answered != xid)
                continue; // the late reply of an earlier call
            if (reply == RpcReply::Success)
                return RpcOutcome::Done;
            problem_ = RpcReplyText(reply);
            return RpcOutcome::Refused;
        }
        if (reader_.Failed()) {
            problem_ = "a reply record beyond the limit";
            return RpcOutcome::Closed;
        }
        long count = channel_->Receive(buffer.data(), buffer.size(), RemainingMs(deadline));
        if (count < 0) {
            problem_ = "the connection closed";
            return RpcOutcome::Closed;
        }
        if (count == 0) {
            problem_ = "no reply in " + std::to_string(timeoutMs) + " ms";
            return RpcOutcome::TimedOut;
        }
        reader_.Add(buffer.data(), static_cast<size_t>(count));
    }
}

std::unique_ptr<RpcClient> ConnectRpc(const std::string& host, int port, int timeoutMs, size_t limit,
                                      std::string& problem)
{
    AdapterAddress address;
    address.kind = AdapterAddress::Kind::Tcp;
    address.host = host;
    address.port = port;
    std::unique_ptr<ByteChannel> channel = OpenTcpChannel(address, timeoutMs, problem);
    if (!channel)
        return nullptr;
    return std::unique_ptr<RpcClient>(new RpcClient(std::move(channel), limit));
}
