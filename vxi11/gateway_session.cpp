#include "vxi11/gateway_session.h"

#include "vxi11/core_channel.h"
#include "vxi11/portmapper.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace {

using Clock = std::chrono::steady_clock;

// The shortest io_timeout asked of the gateway.
const int kMinIoTimeoutMs = 10;
// How much longer than io_timeout the socket waits for the reply.
const int kReplyMarginMs = 500;
// The longest device_read asked, and the longest reply record taken.
const uint32_t kMaxReadRequest = 1024 * 1024;
const size_t kMaxRecord = kMaxReadRequest + 4096;
// A gateway that announces no maxRecvSize takes this much (what VXI-11 asks of every one).
const uint32_t kLeastRecvSize = 1024;
// How long closing waits for each destroy_link.
const int kCloseTimeoutMs = 500;
const uint8_t kRequestBit = 0x40;
const int32_t kClientId = 0x71756E;
const char kLocalLockout = 0x11;
const int32_t kDocmdSendCommand = 0x20000;

// The time left of an operation's `timeoutMs`, at least kMinIoTimeoutMs.
class Budget {
public:
    explicit Budget(int timeoutMs) : end_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}
    int Left() const
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return left > kMinIoTimeoutMs ? static_cast<int>(left) : kMinIoTimeoutMs;
    }
    bool Over() const { return Clock::now() >= end_; }

private:
    Clock::time_point end_;
};

std::string DeviceName(const std::string& gateway, int primary, int secondary)
{
    if (primary < 0)
        return gateway;
    std::string name = gateway + "," + std::to_string(primary);
    return secondary >= 0 && secondary <= 30 ? name + "," + std::to_string(secondary) : name;
}

} // namespace

GatewayResult GatewaySession::OfError(int32_t error)
{
    switch (error) {
    case kVxiNoError: return GatewayResult::Done;
    case kVxiNotAccessible:
    case kVxiInvalidAddress: problem_ = "the gateway reaches no device there"; return GatewayResult::NoListener;
    case kVxiTimeout: problem_ = "the gateway's I/O timed out"; return GatewayResult::TimedOut;
    case kVxiLocked: problem_ = "another link holds the device's lock"; return GatewayResult::Locked;
    case kVxiNotSupported: problem_ = "the gateway does not offer that"; return GatewayResult::NotSupported;
    default: problem_ = "the gateway reports error " + std::to_string(error); return GatewayResult::IoError;
    }
}

void GatewaySession::Drop(const std::string& problem)
{
    core_.reset();
    links_.clear();
    problem_ = problem;
}

bool GatewaySession::Connect(int timeoutMs)
{
    if (core_)
        return true;
    int port = address_.port;
    std::string problem;
    if (port == 0)
        port = LookUpPort(address_.host, kCoreProgram, kCoreVersion, timeoutMs, problem);
    if (port != 0)
        core_ = ConnectRpc(address_.host, port, timeoutMs, kMaxRecord, problem);
    if (!core_)
        problem_ = address_.host + ": " + problem;
    return core_ != nullptr;
}

GatewayResult GatewaySession::Call(uint32_t procedure, const std::string& arguments, int ioTimeoutMs,
                                   std::string& results)
{
    // In 64 bits: an io_timeout near INT_MAX (a time-out without end) plus the margin.
    long long waitMs = static_cast<long long>(ioTimeoutMs) + kReplyMarginMs;
    int replyMs = waitMs > INT_MAX ? INT_MAX : static_cast<int>(waitMs);
    switch (core_->Call(kCoreProgram, kCoreVersion, procedure, arguments, replyMs, results)) {
    case RpcOutcome::Done: return GatewayResult::Done;
    case RpcOutcome::TimedOut: Drop("the gateway: " + core_->Problem()); return GatewayResult::TimedOut;
    case RpcOutcome::Refused: problem_ = "the gateway: " + core_->Problem(); return GatewayResult::NotSupported;
    case RpcOutcome::Closed: break;
    }
    Drop("the gateway: " + core_->Problem());
    return GatewayResult::Unreachable;
}

const GatewaySession::Link* GatewaySession::LinkTo(int primary, int secondary, int timeoutMs, GatewayResult& result)
{
    result = GatewayResult::Unreachable;
    if (!Connect(timeoutMs))
        return nullptr;
    Address address(primary, secondary);
    auto found = links_.find(address);
    if (found != links_.end())
        return &found->second;
    std::string results;
    result = Call(kCreateLink, EncodeCreateLink(kClientId, false, 0, DeviceName(address_.gateway, primary, secondary)),
                  timeoutMs, results);
    if (result != GatewayResult::Done)
        return nullptr;
    CreateLinkReply reply;
    if (!DecodeCreateLink(results, reply)) {
        Drop("the gateway's create_link reply is malformed");
        result = GatewayResult::Unreachable;
        return nullptr;
    }
    result = OfError(reply.error);
    if (result != GatewayResult::Done)
        return nullptr;
    Link& link = links_[address];
    link.lid = reply.lid;
    link.maxRecvSize = reply.maxRecvSize ? reply.maxRecvSize : kLeastRecvSize;
    return &link;
}

GatewayResult GatewaySession::Write(int primary, int secondary, const char* data, size_t count, bool end,
                                    int timeoutMs)
{
    Budget budget(timeoutMs);
    GatewayResult result;
    const Link* link = LinkTo(primary, secondary, budget.Left(), result);
    if (!link)
        return result;
    const Link chosen = *link;
    size_t sent = 0;
    while (sent < count) {
        size_t part = std::min<size_t>(count - sent, chosen.maxRecvSize);
        bool last = sent + part == count;
        int io = budget.Left();
        std::string results;
        result = Call(kDeviceWrite,
                      EncodeDeviceWrite(chosen.lid, static_cast<uint32_t>(io), 0, last && end ? uint32_t{kFlagEnd} : 0u,
                                        data + sent, part),
                      io, results);
        if (result != GatewayResult::Done)
            return result;
        WriteReply reply;
        if (!DecodeDeviceWrite(results, reply) || reply.size > part) {
            Drop("the gateway's device_write reply is malformed");
            return GatewayResult::Unreachable;
        }
        result = OfError(reply.error);
        if (result != GatewayResult::Done)
            return result;
        if (reply.size == 0) {
            problem_ = "the gateway took none of the bytes";
            return GatewayResult::IoError;
        }
        sent += reply.size;
    }
    return GatewayResult::Done;
}

GatewayResult GatewaySession::Read(int primary, int secondary, char* buffer, size_t size, int eosChar,
                                   int timeoutMs, size_t* count, ReadEnd* ended)
{
    *count = 0;
    *ended = ReadEnd::None;
    if (size == 0) {
        *ended = ReadEnd::BufferFull;
        return GatewayResult::Done;
    }
    Budget budget(timeoutMs);
    GatewayResult result;
    const Link* link = LinkTo(primary, secondary, budget.Left(), result);
    if (!link)
        return result;
    const int32_t lid = link->lid;
    for (;;) {
        uint32_t request = static_cast<uint32_t>(std::min<size_t>(size - *count, kMaxReadRequest));
        int io = budget.Left();
        std::string results;
        result = Call(kDeviceRead,
                      EncodeDeviceRead(lid, request, static_cast<uint32_t>(io), 0, eosChar >= 0 ? uint32_t{kFlagTermCharSet} : 0u,
                                       static_cast<uint8_t>(eosChar >= 0 ? eosChar : 0)),
                      io, results);
        if (result != GatewayResult::Done)
            return result;
        ReadReply reply;
        if (!DecodeDeviceRead(results, request, reply)) {
            Drop("the gateway's device_read reply is malformed");
            return GatewayResult::Unreachable;
        }
        std::copy(reply.data.begin(), reply.data.end(), buffer + *count);
        *count += reply.data.size();
        result = OfError(reply.error);
        if (result != GatewayResult::Done)
            return result;
        if (reply.reason & kReasonCharacter) {
            *ended = ReadEnd::EndOfString;
            return result;
        }
        if (reply.reason & kReasonEnd) {
            *ended = ReadEnd::Eoi;
            return result;
        }
        if (*count == size) {
            *ended = ReadEnd::BufferFull;
            return result;
        }
        // No reason yet: the rest is read on, within the time-out.
        if (budget.Over()) {
            problem_ = "the device's answer did not end in time";
            return GatewayResult::TimedOut;
        }
    }
}

GatewayResult GatewaySession::Generic(uint32_t procedure, int primary, int secondary, int timeoutMs,
                                      std::string& results)
{
    Budget budget(timeoutMs);
    GatewayResult result;
    const Link* link = LinkTo(primary, secondary, budget.Left(), result);
    if (!link)
        return result;
    int io = budget.Left();
    return Call(procedure, EncodeGeneric(link->lid, 0, 0, static_cast<uint32_t>(io)), io, results);
}

GatewayResult GatewaySession::SerialPoll(int primary, int secondary, int timeoutMs, uint8_t& statusByte)
{
    auto kept = keptRequests_.find(Address(primary, secondary));
    if (kept != keptRequests_.end()) {
        statusByte = kept->second;
        keptRequests_.erase(kept);
        return GatewayResult::Done;
    }
    std::string results;
    GatewayResult result = Generic(kDeviceReadStb, primary, secondary, timeoutMs, results);
    if (result != GatewayResult::Done)
        return result;
    StatusByteReply reply;
    if (!DecodeReadStb(results, reply)) {
        Drop("the gateway's device_readstb reply is malformed");
        return GatewayResult::Unreachable;
    }
    statusByte = reply.stb;
    return OfError(reply.error);
}

GatewayResult GatewaySession::ErrorOnly(uint32_t procedure, int primary, int secondary, int timeoutMs)
{
    std::string results;
    GatewayResult result = Generic(procedure, primary, secondary, timeoutMs, results);
    if (result != GatewayResult::Done)
        return result;
    int32_t error = 0;
    if (!DecodeError(results, error)) {
        Drop("the gateway's reply is malformed");
        return GatewayResult::Unreachable;
    }
    return OfError(error);
}

GatewayResult GatewaySession::Trigger(int primary, int secondary, int timeoutMs)
{
    return ErrorOnly(kDeviceTrigger, primary, secondary, timeoutMs);
}

GatewayResult GatewaySession::Clear(int primary, int secondary, int timeoutMs)
{
    keptRequests_.erase(Address(primary, secondary));
    return ErrorOnly(kDeviceClear, primary, secondary, timeoutMs);
}

GatewayResult GatewaySession::Local(int primary, int secondary, int timeoutMs)
{
    return ErrorOnly(kDeviceLocal, primary, secondary, timeoutMs);
}

GatewayResult GatewaySession::Docmd(int32_t command, const std::string& data, int timeoutMs)
{
    Budget budget(timeoutMs);
    GatewayResult result;
    const Link* link = LinkTo(-1, -1, budget.Left(), result);
    if (!link)
        return result;
    int io = budget.Left();
    std::string results;
    result = Call(kDeviceDocmd,
                  EncodeDocmd(link->lid, 0, static_cast<uint32_t>(io), 0, command, true,
                              static_cast<int32_t>(data.size()), data),
                  io, results);
    if (result != GatewayResult::Done)
        return result;
    DocmdReply reply;
    if (!DecodeDocmd(results, 64, reply)) {
        Drop("the gateway's device_docmd reply is malformed");
        return GatewayResult::Unreachable;
    }
    return OfError(reply.error);
}

GatewayResult GatewaySession::InterfaceClear(int timeoutMs)
{
    keptRequests_.clear();
    return Docmd(kDocmdIfcControl, "", timeoutMs);
}

GatewayResult GatewaySession::RemoteEnable(bool enable, bool lockout, int timeoutMs)
{
    Budget budget(timeoutMs);
    GatewayResult result = Docmd(kDocmdRenControl, std::string("\0", 1) + (enable ? '\1' : '\0'), budget.Left());
    if (result == GatewayResult::Done && enable && lockout)
        result = Docmd(kDocmdSendCommand, std::string(1, kLocalLockout), budget.Left());
    return result;
}

GatewayResult GatewaySession::FindListener(int primary, int secondary, int timeoutMs, bool& listens)
{
    listens = false;
    uint8_t statusByte = 0;
    GatewayResult result = SerialPoll(primary, secondary, timeoutMs, statusByte);
    if (result == GatewayResult::NoListener || result == GatewayResult::TimedOut)
        return GatewayResult::Done;
    if (result != GatewayResult::Done)
        return result;
    listens = true;
    if (statusByte & kRequestBit)
        keptRequests_[Address(primary, secondary)] = statusByte;
    return GatewayResult::Done;
}

GatewayResult GatewaySession::Probe(int timeoutMs, std::string& answer)
{
    GatewayResult result;
    const Link* link = LinkTo(-1, -1, timeoutMs, result);
    if (!link) {
        answer = problem_;
        return result;
    }
    answer = "VXI-11 gateway, " + address_.gateway + " linked, maxRecvSize " + std::to_string(link->maxRecvSize);
    return GatewayResult::Done;
}

void GatewaySession::Close()
{
    if (core_) {
        for (const auto& link : links_) {
            std::string results;
            if (core_->Call(kCoreProgram, kCoreVersion, kDestroyLink, EncodeLink(link.second.lid), kCloseTimeoutMs,
                            results) != RpcOutcome::Done)
                break;
        }
    }
    core_.reset();
    links_.clear();
    keptRequests_.clear();
}
