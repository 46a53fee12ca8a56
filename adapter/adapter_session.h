// The talk with one GPIB adapter over a byte channel that is opened on first
// use and opened again after a failure; the "++" commands come from
// PlusPlusCodec, the answers are taken apart by EndMarkReader.
//
// A write first serial-polls the device (++spoll): an adapter that answers
// with a status byte has a listener there; one that answers nothing within
// its time-out has none, when a ++ver that follows is answered. A wait that
// the ++ver does not end either is the adapter's failure: the channel is
// dropped. So every call ends within its time-out (at most 3000 ms, the
// adapter's own limit) and about 800 ms more.
#pragma once

#include "adapter/byte_channel.h"
#include "adapter/end_mark_reader.h"
#include "adapter/plusplus_codec.h"
#include "gpib/message_framing.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

enum class AdapterResult { Done, NoListener, TimedOut, Unreachable };

// Opens the channel within `timeoutMs`; null with the reason in `problem`.
using ChannelOpener = std::function<std::unique_ptr<ByteChannel>(int timeoutMs, std::string& problem)>;

class AdapterSession {
public:
    explicit AdapterSession(ChannelOpener open) : open_(std::move(open)) {}

    // Sends `count` bytes to the device at the address (secondary outside 0
    // to 30: none). With the output character enabled, each part of the
    // data that it ends is a message of its own, with EOI; the rest goes with
    // EOI when `end` and the output side asks for it.
    AdapterResult Write(int primary, int secondary, const char* data, size_t count, bool end,
                        const AdapterTerminator& out, int timeoutMs);
    // Reads at most `size` bytes: the read ends with EOI, after the enabled
    // input character, or with the buffer full (the rest of the answer is
    // kept for the next read of the device); `ended` says which. A time-out
    // leaves what came in `buffer`, and clears the device (++clr).
    AdapterResult Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                       int timeoutMs, size_t* count, ReadEnd* ended);
    // The adapter's answer to ++ver.
    AdapterResult Version(int timeoutMs, std::string& version);

    // What failed last, for messages.
    const std::string& Problem() const { return problem_; }

private:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Wait { Arrived, Silent, Closed };
    // The rest of an answer that did not fit the reading buffer.
    struct Unread {
        std::string bytes;
        bool eoi = false;
    };

    bool Ready(int timeoutMs);
    void Drop(const std::string& problem);
    bool Send(const std::string& text);
    Wait Fill(Deadline deadline);
    Wait ReadLine(Deadline deadline, std::string& line);
    bool Alive();
    AdapterResult FindListener(int primary, int secondary, int timeoutMs);
    AdapterResult Collect(int eosChar, int timeoutMs, std::string& reply, bool& eoi);

    ChannelOpener open_;
    std::unique_ptr<ByteChannel> channel_;
    PlusPlusCodec codec_;
    EndMarkReader reader_;
    // By address.
    std::map<std::pair<int, int>, Unread> pending_;
    std::string problem_;
};
