// The talk with one GPIB adapter over a byte channel that is opened on first
// use and opened again after a failure; the "++" commands come from
// PlusPlusCodec, the answers are taken apart by EndMarkReader.
//
// A write first looks for a listener with a serial poll of the device
// (++spoll): an adapter that answers with a status byte has a listener
// there; one that answers nothing within its time-out has none, when a ++ver
// that follows is answered. A poll takes the device's service request, so
// the write asks for the SRQ line first (++srq): while it is asserted the
// write goes without the poll, and a pending request stays in place for
// whoever looks for it, this program or another; otherwise no device
// requests service and the poll takes nothing. A wait that the ++ver does
// not end either, or an ++srq not answered within 500 ms, is the adapter's
// failure: the channel is dropped. So every call ends within its time-out
// (at most 3000 ms, the adapter's own limit), the time the adapter takes to
// answer ++srq and about 800 ms more.
#pragma once

#include "adapter/block_tracker.h"
#include "adapter/byte_channel.h"
#include "adapter/end_mark_reader.h"
#include "adapter/plusplus_codec.h"
#include "gpib/message_framing.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// NotSupported: the adapter's firmware has no command for it.
enum class AdapterResult { Done, NoListener, TimedOut, Unreachable, NotSupported };

// The firmware families told apart by ++ver: what an adapter offers beyond
// the "++" commands every one has (++clr, ++trg, ++spoll, ++srq, ++loc,
// ++llo, ++ifc). AR488 also drives remote enable (++ren).
enum class AdapterFamily { Plain, Ar488 };
AdapterFamily FamilyOfVersion(const std::string& version);

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
    // The operations on a device (secondary outside 0 to 30: none): device
    // clear, which also drops what the device's answer left unread, group
    // execute trigger, serial poll and go to local. The adapter answers a
    // poll with the status byte; a device that does not answer is NoListener.
    // Clear, trigger and local first look for a listener as a write does.
    AdapterResult Clear(int primary, int secondary, int timeoutMs);
    AdapterResult Trigger(int primary, int secondary, int timeoutMs);
    AdapterResult SerialPoll(int primary, int secondary, int timeoutMs, uint8_t& statusByte);
    AdapterResult Local(int primary, int secondary, int timeoutMs);
    // One look for the device's service request: when the SRQ line is
    // asserted, a poll of the device; `requested` when its status byte (in
    // `statusByte`) has RQS. A byte with RQS that an earlier poll of this
    // session kept for the device counts first.
    AdapterResult LookForRequest(int primary, int secondary, int timeoutMs, bool& requested, uint8_t& statusByte);
    // The interface: remote enable asserted or released (++ren, AR488 only;
    // every adapter asserts it on its own), with a lockout (++llo); interface
    // clear (++ifc).
    AdapterResult RemoteEnable(bool enable, bool lockout, int timeoutMs);
    AdapterResult InterfaceClear(int timeoutMs);
    // Whether a device listens at the address: a serial poll that answers.
    // With the SRQ line asserted the poll could take a device's request, so
    // a status byte with RQS is kept for that device's next poll.
    AdapterResult FindListener(int primary, int secondary, int timeoutMs, bool& listens);

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
    AdapterResult AskVersion(int timeoutMs, std::string& version);
    AdapterResult Family(int timeoutMs, AdapterFamily& family);
    AdapterResult SrqLine(bool& asserted);
    AdapterResult Poll(int primary, int secondary, int timeoutMs, uint8_t& statusByte);
    AdapterResult Probe(int primary, int secondary, int timeoutMs);
    AdapterResult CheckListener(int primary, int secondary, int timeoutMs);
    bool TakeKept(const Address& address, uint8_t& statusByte);
    AdapterResult SendCommand(int timeoutMs, const std::string& text);
    AdapterResult DeviceCommand(int primary, int secondary, int timeoutMs, const std::function<std::string()>& command);
    AdapterResult Collect(int eosChar, int timeoutMs, size_t limit, std::string& reply, ReplyEnd& end);
    ReplyEnd StopAtCharacter(const Address& address, int eosChar, int timeoutMs, std::string& reply, ReplyEnd end);

    ChannelOpener open_;
    std::unique_ptr<ByteChannel> channel_;
    PlusPlusCodec codec_;
    EndMarkReader reader_;
    std::vector<char> received_;
    // By address.
    std::map<Address, Unread> pending_;
    std::map<Address, BlockTracker> messages_;
    // Status bytes with RQS that a listener check took, until a poll or a
    // look for the request of the device takes them; kept across reopenings,
    // as the requests they stand for are gone from the devices.
    std::map<Address, uint8_t> kept_;
    // Of the open channel's adapter, once asked.
    std::optional<AdapterFamily> family_;
    // The device whose answer to ++read is still coming.
    bool answering_ = false;
    Address answerer_;
    int answerEos_ = -1;
    std::string problem_;
};
