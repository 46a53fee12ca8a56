// The session with one LAN/GPIB gateway over VXI-11: the connection to its
// core channel (found through its portmapper unless the URL gives the
// port), a link per device address, made on first use and kept, and the
// link to the interface itself for interface clear and remote enable.
// A connection that fails is dropped with its links; the next call makes
// them again. The caller holds the session's lock for each call.
#pragma once

#include "adapter/adapter_url.h"
#include "gpib/message_framing.h"
#include "vxi11/rpc_client.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

enum class GatewayResult {
    Done,
    NoListener,   // the gateway cannot reach a device at the address (3, 21)
    TimedOut,     // the device, or the gateway, did not answer in time (15)
    IoError,      // the gateway reports an I/O error on the bus (17)
    Locked,       // another link holds the device's lock (11)
    NotSupported, // the gateway does not offer the call (8)
    Unreachable   // no connection to the gateway
};

class GatewaySession {
public:
    explicit GatewaySession(const AdapterAddress& address) : address_(address) {}
    ~GatewaySession() { Close(); }

    // device_write in chunks of at most the link's maxRecvSize, END with the
    // last one when `end`.
    GatewayResult Write(int primary, int secondary, const char* data, size_t count, bool end, int timeoutMs);
    // device_read until END, the character (eosChar not negative) or `size` bytes.
    GatewayResult Read(int primary, int secondary, char* buffer, size_t size, int eosChar, int timeoutMs,
                       size_t* count, ReadEnd* ended);
    GatewayResult SerialPoll(int primary, int secondary, int timeoutMs, uint8_t& statusByte);
    GatewayResult Trigger(int primary, int secondary, int timeoutMs);
    GatewayResult Clear(int primary, int secondary, int timeoutMs);
    GatewayResult Local(int primary, int secondary, int timeoutMs);
    // The interface's own: IFC, and REN (device_docmd where the gateway offers it).
    GatewayResult InterfaceClear(int timeoutMs);
    GatewayResult RemoteEnable(bool enable, bool lockout, int timeoutMs);
    // Whether a device answers a serial poll at the address; a status byte with
    // its request is kept for the device's next poll.
    GatewayResult FindListener(int primary, int secondary, int timeoutMs, bool& listens);
    // Links to the interface and says what the gateway answered, or why not.
    GatewayResult Probe(int timeoutMs, std::string& answer);

    // Destroys the links and closes the connection.
    void Close();
    const std::string& Problem() const { return problem_; }

private:
    using Address = std::pair<int, int>;
    struct Link {
        int32_t lid = 0;
        uint32_t maxRecvSize = 0;
    };

    bool Connect(int timeoutMs);
    // The link to the device (or, with primary -1, to the interface); null on failure.
    const Link* LinkTo(int primary, int secondary, int timeoutMs, GatewayResult& result);
    // One call on the core channel; Done with its results, else the connection is dropped.
    GatewayResult Call(uint32_t procedure, const std::string& arguments, int ioTimeoutMs, std::string& results);
    GatewayResult Generic(uint32_t procedure, int primary, int secondary, int timeoutMs, std::string& results);
    // A call whose result is a Device_Error alone.
    GatewayResult ErrorOnly(uint32_t procedure, int primary, int secondary, int timeoutMs);
    // device_docmd on the interface's link.
    GatewayResult Docmd(int32_t command, const std::string& data, int timeoutMs);
    GatewayResult OfError(int32_t error);
    void Drop(const std::string& problem);

    AdapterAddress address_;
    std::unique_ptr<RpcClient> core_;
    std::map<Address, Link> links_;
    std::map<Address, uint8_t> keptRequests_;
    std::string problem_;
};
