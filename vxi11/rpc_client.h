// An ONC RPC client on one TCP connection: one call at a time, each waiting
// for the reply that answers its xid; replies to earlier calls that timed
// out are passed over.
#pragma once

#include "adapter/byte_channel.h"
#include "vxi11/onc_rpc.h"

#include <cstdint>
#include <memory>
#include <string>

enum class RpcOutcome {
    Done,     // the results are in
    TimedOut, // no reply within the time
    Closed,   // the connection failed or closed
    Refused   // a reply that is not a success (Problem())
};

class RpcClient {
public:
    // `limit`: the longest reply record taken.
    RpcClient(std::unique_ptr<ByteChannel> channel, size_t limit);

    RpcOutcome Call(uint32_t program, uint32_t version, uint32_t procedure, const std::string& arguments,
                    int timeoutMs, std::string& results);
    const std::string& Problem() const { return problem_; }

private:
    std::unique_ptr<ByteChannel> channel_;
    RecordReader reader_;
    uint32_t xid_;
    std::string problem_;
};

// Opens a TCP connection and its client within `timeoutMs`; null with the
// reason in `problem`.
std::unique_ptr<RpcClient> ConnectRpc(const std::string& host, int port, int timeoutMs, size_t limit,
                                      std::string& problem);
