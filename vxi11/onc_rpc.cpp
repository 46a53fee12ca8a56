#include "vxi11/onc_rpc.h"

#include "vxi11/xdr.h"

namespace {

const uint32_t kCall = 0;
const uint32_t kReply = 1;
const uint32_t kMessageAccepted = 0;
const uint32_t kAuthNull = 0;
const uint32_t kLastFragment = 0x80000000u;
// The longest opaque body of a verifier (RFC 5531).
const size_t kMaxAuthBody = 400;

enum AcceptStat : uint32_t { kSuccess = 0, kProgUnavail = 1, kProgMismatch = 2, kProcUnavail = 3, kGarbageArgs = 4, kSystemErr = 5 };

} // namespace

std::string RpcCallMessage(uint32_t xid, uint32_t program, uint32_t version, uint32_t procedure,
                           const std::string& arguments)
{
    XdrWriter call;
    call.U32(xid);
    call.U32(kCall);
    call.U32(kRpcVersion);
    call.U32(program);
    call.U32(version);
    call.U32(procedure);
    for (int auth = 0; auth < 2; ++auth) { // credential, verifier
        call.U32(kAuthNull);
        call.U32(0);
    }
    return call.Bytes() + arguments;
}

std::string RecordMarked(const std::string& message, size_t fragmentSize)
{
    std::string stream;
    size_t at = 0;
    do {
        size_t part = message.size() - at < fragmentSize ? message.size() - at : fragmentSize;
        bool last = at + part == message.size();
        XdrWriter header;
        header.U32(static_cast<uint32_t>(part) | (last ? kLastFragment : 0));
        stream += header.Bytes();
        stream.append(message, at, part);
        at += part;
    } while (at < message.size());
    return stream;
}

void RecordReader::Add(const char* bytes, size_t count)
{
    // What was taken goes before the inbox grows: small fragments cost no copying of the rest.
    inbox_.erase(0, taken_);
    taken_ = 0;
    inbox_.append(bytes, count);
}

bool RecordReader::TakeRecord(std::string& record)
{
    while (!failed_ && inbox_.size() - taken_ >= 4) {
        uint32_t word = 0;
        for (size_t i = 0; i < 4; ++i)
            word = word << 8 | static_cast<unsigned char>(inbox_[taken_ + i]);
        size_t length = word & ~kLastFragment;
        if (length > limit_ || record_.size() > limit_ - length) {
            failed_ = true;
            break;
        }
        if (inbox_.size() - taken_ - 4 < length)
            return false;
        record_.append(inbox_, taken_ + 4, length);
        taken_ += 4 + length;
        if (word & kLastFragment) {
            record.swap(record_);
            record_.clear();
            return true;
        }
    }
    return false;
}

RpcReply ParseRpcReply(const std::string& record, uint32_t& xid, std::string& results)
{
    XdrReader reply(record);
    uint32_t type = 0;
    uint32_t replyStat = 0;
    if (!reply.U32(xid) || !reply.U32(type) || type != kReply || !reply.U32(replyStat))
        return RpcReply::Malformed;
    if (replyStat != kMessageAccepted)
        return replyStat == 1 ? RpcReply::Denied : RpcReply::Malformed;
    uint32_t flavor = 0;
    std::string body;
    uint32_t acceptStat = 0;
    if (!reply.U32(flavor) || !reply.Opaque(body, kMaxAuthBody) || !reply.U32(acceptStat))
        return RpcReply::Malformed;
    switch (acceptStat) {
    case kSuccess:
        results.assign(record, reply.Position(), std::string::npos);
        return RpcReply::Success;
    case kProgUnavail:
    case kProgMismatch:
    case kProcUnavail: return RpcReply::ProgramUnavailable;
    case kGarbageArgs: return RpcReply::GarbageArguments;
    case kSystemErr: return RpcReply::SystemError;
    default: return RpcReply::Malformed;
    }
}

const char* RpcReplyText(RpcReply reply)
{
    switch (reply) {
    case RpcReply::Success: return "success";
    case RpcReply::Denied: return "the call was denied";
    case RpcReply::ProgramUnavailable: return "the program or procedure is not served";
    case RpcReply::GarbageArguments: return "the server could not decode the arguments";
    case RpcReply::SystemError: return "the server failed";
    case RpcReply::Malformed: return "no RPC reply";
    }
    return "no RPC reply";
}
