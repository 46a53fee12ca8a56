// ONC RPC version 2 (RFC 5531) over TCP: call messages with AUTH_NULL, the
// record marking that frames them (fragments of at most 2^31 - 1 bytes, the
// last one flagged), and the checks of a reply: accepted, successful, and
// answering the call's xid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

const uint32_t kRpcVersion = 2;

// The call message: header, AUTH_NULL credential and verifier, the arguments.
std::string RpcCallMessage(uint32_t xid, uint32_t program, uint32_t version, uint32_t procedure,
                           const std::string& arguments);

// A message as records on the stream: fragments of at most `fragmentSize`
// bytes, each after its 4-byte header, the last one with the top bit set.
std::string RecordMarked(const std::string& message, size_t fragmentSize = 0x7FFFFFFF);

// Takes records apart as their bytes come, fragment by fragment.
class RecordReader {
public:
    // `limit`: the longest record taken; a longer one fails the stream.
    explicit RecordReader(size_t limit) : limit_(limit) {}

    void Add(const char* bytes, size_t count);
    // Takes one whole record; false while none is complete, or after a failure.
    bool TakeRecord(std::string& record);
    // A record longer than the limit, or a fragment of none: the stream is unusable.
    bool Failed() const { return failed_; }

private:
    std::string inbox_;
    size_t taken_ = 0;   // bytes of the inbox already taken
    std::string record_; // fragments of the record in progress
    size_t limit_;
    bool failed_ = false;
};

enum class RpcReply {
    Success,            // accepted and successful: the results follow
    Denied,             // the server refused the call (version mismatch, authentication)
    ProgramUnavailable, // the program, its version or the procedure is not served
    GarbageArguments,   // the server could not decode the arguments
    SystemError,        // the server failed
    Malformed           // no reply message at all
};

// Reads a reply record: its xid, its status and, on success, the results.
RpcReply ParseRpcReply(const std::string& record, uint32_t& xid, std::string& results);

// What a reply's status says, for a problem text.
const char* RpcReplyText(RpcReply reply);
