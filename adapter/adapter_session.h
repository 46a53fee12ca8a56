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

#include "adapter/block_tracker.h"
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
#include <vector>

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
    // input character, or with the buffer full; `ended` says which. A read
    // that fills the buffer leaves the rest of the adapter's answer coming,
    // for the next read of the device; another call first takes that rest
    // and keeps it for the device. A time-out leaves what came in `buffer`,
    // and clears the device (++clr).
    AdapterResult Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                       int timeoutMs, size_t* count, ReadEnd* ended);
    // Closes the channel, so that another program may connect; the next
    // call opens it again.
    void Close();
    // The adapter's answer to ++ver.
    AdapterResult Version(int timeoutMs, std::string& version);

    // What failed last, for messages.
    const std::string& Problem() const { return problem_; }

private:
    using Deadline = std::chrono::steady_clock::time_point;
    using Address = std::pair<int, int>;
    enum class Wait { Arrived, Silent, Closed };
    // The rest of an answer taken for a device before it read it.
    struct Unread {
        std::string bytes;
        bool eoi = false;
    };

    // Readies the channel for a call; `continuing` when it goes on taking
    // the answer that is coming.
    bool Ready(int timeoutMs, bool continuing = false);
    void FinishAnswer(int timeoutMs);
    void Drop(const std::string& problem);
    bool Send(const std::string& text);
    Wait Fill(Deadline deadline);
    Wait ReadLine(Deadline deadline, std::string& line);
    bool Alive();
    AdapterResult FindListener(int primary, int secondary, int timeoutMs);
    AdapterResult Collect(int eosChar, int timeoutMs, size_t limit, std::string& reply, ReplyEnd& end);

    ChannelOpener open_;
    std::unique_ptr<ByteChannel> channel_;
    PlusPlusCodec codec_;
    EndMarkReader reader_;
    std::vector<char> received_;
    // By address.
    std::map<Address, Unread> pending_;
    std::map<Address, BlockTracker> messages_;
    // The device whose answer to ++read is still coming.
    bool answering_ = false;
    Address answerer_;
    int answerEos_ = -1;
    std::string problem_;
};
