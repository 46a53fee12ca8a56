#include "adapter/adapter_session.h"

#include "text/text_compare.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How long past its own time-out an adapter may take to show it has ended.
const int kLateMarginMs = 300;
// How long an adapter takes at most to answer a command of its own (++ver, ++srq).
const int kOwnAnswerMs = 500;
// The status byte's bit of a device that requests service.
const uint8_t kRequestBit = 0x40;
// What one receive takes at most.
const size_t kChunkSize = 64 * 1024;

// Milliseconds in 64 bits: a device time-out near INT_MAX plus a margin stays exact.
Clock::time_point After(long long milliseconds)
{
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

AdapterFamily FamilyOfVersion(const std::string& version)
{
    return StartsWithNoCase(version.c_str(), "AR488") ? AdapterFamily::Ar488 : AdapterFamily::Plain;
}

void AdapterSession::Drop(const std::string& problem)
{
    channel_.reset();
    answering_ = false;
    problem_ = problem;
}

// Takes the rest of the answer that is coming, for its device's next read.
void AdapterSession::FinishAnswer(int timeoutMs)
{
    answering_ = false;
    Unread& rest = pending_[answerer_];
    ReplyEnd end = ReplyEnd::More;
    if (Collect(answerEos_, timeoutMs, std::string::npos, rest.bytes, end) == AdapterResult::Done)
        rest.eoi = end == ReplyEnd::Mark;
}

// Opens the channel when there is none; drops what came unasked on an open
// one (the end mark of an earlier read, late answers), and opens again when
// the adapter has closed it. An answer still coming is taken first, unless
// the call goes on with it.
bool AdapterSession::Ready(int timeoutMs, bool continuing)
{
    if (continuing && channel_)
        return true;
    if (answering_)
        FinishAnswer(timeoutMs);
    received_.resize(kChunkSize);
    while (channel_) {
        long count = channel_->Receive(received_.data(), received_.size(), 0);
        if (count == 0)
            break;
        if (count < 0)
            Drop("the adapter closed the connection");
        else
            reader_.Add(received_.data(), static_cast<size_t>(count));
    }
    reader_.DropUnread();
    if (channel_)
        return true;
    channel_ = open_(AdapterTimeout(timeoutMs), problem_);
    codec_.Forget();
    reader_ = EndMarkReader();
    pending_.clear();
    messages_.clear();
    family_.reset();
    return channel_ && Send(kAdapterSetup);
}

bool AdapterSession::Send(const std::string& text)
{
    if (!channel_)
        return false;
    if (channel_->Send(text, kMaxAdapterTimeoutMs))
        return true;
    Drop("the adapter does not take what is sent");
    return false;
}

// Waits for more bytes until the deadline.
AdapterSession::Wait AdapterSession::Fill(Deadline deadline)
{
    if (!channel_)
        return Wait::Closed;
    received_.resize(kChunkSize);
    long count = channel_->Receive(received_.data(), received_.size(), RemainingMs(deadline));
    if (count < 0) {
        Drop("the adapter closed the connection");
        return Wait::Closed;
    }
    if (count == 0)
        return Wait::Silent;
    reader_.Add(received_.data(), static_cast<size_t>(count));
    return Wait::Arrived;
}

AdapterSession::Wait AdapterSession::ReadLine(Deadline deadline, std::string& line)
{
    while (!reader_.TakeLine(line)) {
        Wait wait = Fill(deadline);
        if (wait != Wait::Arrived)
            return wait;
    }
    return Wait::Arrived;
}

// After a silence: whether the adapter still answers. One that does not is
// dropped, so that its late answers cannot be taken for later ones.
bool AdapterSession::Alive()
{
    std::string line;
    if (Send("++ver\n") && ReadLine(After(kOwnAnswerMs), line) == Wait::Arrived)
        return true;
    Drop("the adapter stopped answering");
    return false;
}

// Whether the SRQ line is asserted.
AdapterResult AdapterSession::SrqLine(bool& asserted)
{
    if (!Send(kAdapterSrqLine))
        return AdapterResult::Unreachable;
    std::string line;
    switch (ReadLine(After(kOwnAnswerMs), line)) {
    case Wait::Arrived:
        asserted = line == "1";
        return AdapterResult::Done;
    case Wait::Silent:
        Drop("the adapter does not answer ++srq");
        return AdapterResult::TimedOut;
    case Wait::Closed:
        break;
    }
    return AdapterResult::Unreachable;
}

// A serial poll; a device that does not answer is NoListener.
AdapterResult AdapterSession::Poll(int primary, int secondary, int timeoutMs, uint8_t& statusByte)
{
    if (!Send(codec_.SerialPoll(primary, secondary, timeoutMs)))
        return AdapterResult::Unreachable;
    std::string line;
    switch (ReadLine(After(AdapterTimeout(timeoutMs) + kLateMarginMs), line)) {
    case Wait::Arrived:
        return StatusByteOf(line, statusByte) ? AdapterResult::Done : AdapterResult::NoListener;
    case Wait::Silent:
        return Alive() ? AdapterResult::NoListener : AdapterResult::TimedOut;
    case Wait::Closed:
        break;
    }
    return AdapterResult::Unreachable;
}

// A poll for whether a device listens: a request it takes is kept.
AdapterResult AdapterSession::Probe(int primary, int secondary, int timeoutMs)
{
    uint8_t statusByte = 0;
    AdapterResult result = Poll(primary, secondary, timeoutMs, statusByte);
    if (result == AdapterResult::Done && (statusByte & kRequestBit) != 0)
        kept_[Address(primary, secondary)] = statusByte;
    return result;
}

// A write's listener check: none while a device requests service.
AdapterResult AdapterSession::CheckListener(int primary, int secondary, int timeoutMs)
{
    bool asserted = false;
    AdapterResult line = SrqLine(asserted);
    if (line != AdapterResult::Done || asserted)
        return line;
    return Probe(primary, secondary, timeoutMs);
}

bool AdapterSession::TakeKept(const Address& address, uint8_t& statusByte)
{
    auto kept = kept_.find(address);
    if (kept == kept_.end())
        return false;
    statusByte = kept->second;
    kept_.erase(kept);
    return true;
}

// A command that the adapter does not answer.
AdapterResult AdapterSession::SendCommand(int timeoutMs, const std::string& text)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    return Send(text) ? AdapterResult::Done : AdapterResult::Unreachable;
}

AdapterResult AdapterSession::FindListener(int primary, int secondary, int timeoutMs, bool& listens)
{
    listens = false;
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    AdapterResult result = Probe(primary, secondary, timeoutMs);
    listens = result == AdapterResult::Done;
    return result == AdapterResult::NoListener ? AdapterResult::Done : result;
}

AdapterResult AdapterSession::Write(int primary, int secondary, const char* data, size_t count, bool end,
                                    const AdapterTerminator& out, int timeoutMs)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    // A new message: what the device had still to say is gone.
    pending_.erase(Address(primary, secondary));
    messages_[Address(primary, secondary)].Restart();
    AdapterResult listener = CheckListener(primary, secondary, timeoutMs);
    if (listener != AdapterResult::Done)
        return listener;
    std::string text = codec_.Write(primary, secondary, timeoutMs, data, count, end, out);
    return text.empty() || Send(text) ? AdapterResult::Done : AdapterResult::Unreachable;
}

// Takes the answer of a ++read: up to the end mark (EOI), up to and with
// the input character, or `limit` bytes; a time-out leaves what came in `reply`.
AdapterResult AdapterSession::Collect(int eosChar, int timeoutMs, size_t limit, std::string& reply, ReplyEnd& end)
{
    BlockTracker& message = messages_[answerer_];
    int adapterTimeout = AdapterTimeout(timeoutMs);
    Deadline last = After(static_cast<long long>(std::max(timeoutMs, adapterTimeout)) + kLateMarginMs);
    Deadline silence = After(adapterTimeout + kLateMarginMs);
    bool settled = false;
    while ((end = reader_.TakeReply(eosChar, limit, message, reply, settled)) == ReplyEnd::More) {
        if (reader_.MarkHeld()) {
            // A mark byte with nothing after it yet: one look without waiting
            // tells data, which goes on, from the mark, after which nothing comes.
            settled = Fill(Clock::now()) != Wait::Arrived;
            continue;
        }
        settled = false;
        switch (Fill(std::min(last, silence))) {
        case Wait::Arrived:
            silence = After(adapterTimeout + kLateMarginMs);
            break;
        case Wait::Silent:
            Alive();
            return AdapterResult::TimedOut;
        case Wait::Closed:
            return AdapterResult::Unreachable;
        }
    }
    return AdapterResult::Done;
}

// A read that went on with an answer the adapter reads to another end stops
// after its own character: the rest of the answer, all of it, is kept for
// the device's next read. How the read ended.
ReplyEnd AdapterSession::StopAtCharacter(const Address& address, int eosChar, int timeoutMs, std::string& reply,
                                         ReplyEnd end)
{
    size_t at = reply.find(static_cast<char>(eosChar));
    if (at == std::string::npos)
        return end;
    Unread& rest = pending_[address];
    rest.bytes.assign(reply, at + 1, std::string::npos);
    rest.eoi = end == ReplyEnd::Mark;
    reply.resize(at + 1);
    if (end == ReplyEnd::Full)
        FinishAnswer(timeoutMs);
    return ReplyEnd::Character;
}

AdapterResult AdapterSession::Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                                   int timeoutMs, size_t* count, ReadEnd* ended)
{
    *count = 0;
    *ended = ReadEnd::None;
    if (size == 0) {
        *ended = ReadEnd::BufferFull;
        return AdapterResult::Done;
    }
    const Address address(primary, secondary);
    bool continuing = answering_ && answerer_ == address;
    if (!Ready(timeoutMs, continuing))
        return AdapterResult::Unreachable;
    int eosChar = in.eosEnabled ? in.eosChar : -1;
    auto kept = pending_.find(address);
    if (kept != pending_.end() && !kept->second.bytes.empty()) {
        // Taken earlier: the read ends at the character or with the buffer full.
        Unread& rest = kept->second;
        ReadStop stop = FindReadStop(rest.bytes.data(), rest.bytes.size(), size, eosChar, rest.eoi);
        std::memcpy(buffer, rest.bytes.data(), stop.count);
        *count = stop.count;
        *ended = stop.ended;
        rest.bytes.erase(0, stop.count);
        // The rest was cut short by a time-out when it was taken.
        return stop.ended == ReadEnd::None ? AdapterResult::TimedOut : AdapterResult::Done;
    }
    if (!continuing) {
        if (!Send(codec_.Read(primary, secondary, timeoutMs, in)))
            return AdapterResult::Unreachable;
        answering_ = true;
        answerer_ = address;
        answerEos_ = eosChar;
    }
    std::string reply;
    reply.reserve(size < kChunkSize ? size : kChunkSize);
    ReplyEnd end = ReplyEnd::More;
    // The adapter stops where this answer's read asked it to; a read that goes
    // on with it may stop at a character of its own (StopAtCharacter).
    AdapterResult result = Collect(answerEos_, timeoutMs, size, reply, end);
    if (result != AdapterResult::Done || end != ReplyEnd::Full)
        answering_ = false;
    if (result == AdapterResult::Done && eosChar >= 0 && eosChar != answerEos_)
        end = StopAtCharacter(address, eosChar, timeoutMs, reply, end);
    std::memcpy(buffer, reply.data(), reply.size());
    *count = reply.size();
    if (result == AdapterResult::Done)
        *ended = end == ReplyEnd::Mark ? ReadEnd::Eoi : end == ReplyEnd::Character ? ReadEnd::EndOfString : ReadEnd::BufferFull;
    if (result == AdapterResult::TimedOut && channel_) {
        messages_[address].Restart();
        Send(codec_.Clear(primary, secondary, timeoutMs));
    }
    return result;
}

// A command to a device, after the listener check a write makes; the
// command's text is made after the check, which may address the device.
AdapterResult AdapterSession::DeviceCommand(int primary, int secondary, int timeoutMs,
                                            const std::function<std::string()>& command)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    AdapterResult listener = CheckListener(primary, secondary, timeoutMs);
    if (listener != AdapterResult::Done)
        return listener;
    return Send(command()) ? AdapterResult::Done : AdapterResult::Unreachable;
}

AdapterResult AdapterSession::Clear(int primary, int secondary, int timeoutMs)
{
    return DeviceCommand(primary, secondary, timeoutMs, [&] {
        // What the device's answer left unread is gone with the clear.
        pending_.erase(Address(primary, secondary));
        messages_[Address(primary, secondary)].Restart();
        return codec_.Clear(primary, secondary, timeoutMs);
    });
}

AdapterResult AdapterSession::Trigger(int primary, int secondary, int timeoutMs)
{
    return DeviceCommand(primary, secondary, timeoutMs, [&] { return codec_.Trigger(primary, secondary, timeoutMs); });
}

AdapterResult AdapterSession::Local(int primary, int secondary, int timeoutMs)
{
    return DeviceCommand(primary, secondary, timeoutMs, [&] { return codec_.Local(primary, secondary, timeoutMs); });
}

AdapterResult AdapterSession::SerialPoll(int primary, int secondary, int timeoutMs, uint8_t& statusByte)
{
    if (TakeKept(Address(primary, secondary), statusByte))
        return AdapterResult::Done;
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    return Poll(primary, secondary, timeoutMs, statusByte);
}

AdapterResult AdapterSession::LookForRequest(int primary, int secondary, int timeoutMs, bool& requested,
                                             uint8_t& statusByte)
{
    requested = TakeKept(Address(primary, secondary), statusByte);
    if (requested)
        return AdapterResult::Done;
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    bool asserted = false;
    AdapterResult line = SrqLine(asserted);
    if (line != AdapterResult::Done || !asserted)
        return line;
    AdapterResult poll = Poll(primary, secondary, timeoutMs, statusByte);
    requested = poll == AdapterResult::Done && (statusByte & kRequestBit) != 0;
    return poll;
}

AdapterResult AdapterSession::RemoteEnable(bool enable, bool lockout, int timeoutMs)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    AdapterFamily family = AdapterFamily::Plain;
    AdapterResult known = Family(timeoutMs, family);
    if (known != AdapterResult::Done)
        return known;
    // Every adapter asserts remote enable on its own; only AR488 releases it.
    std::string text;
    if (family == AdapterFamily::Ar488)
        text = AdapterRemoteEnable(enable);
    else if (!enable)
        return AdapterResult::NotSupported;
    if (enable && lockout)
        text += kAdapterLockout;
    return text.empty() || Send(text) ? AdapterResult::Done : AdapterResult::Unreachable;
}

AdapterResult AdapterSession::InterfaceClear(int timeoutMs)
{
    return SendCommand(timeoutMs, kAdapterInterfaceClear);
}

void AdapterSession::Close()
{
    channel_.reset();
    answering_ = false;
    pending_.clear();
    messages_.clear();
    family_.reset();
}

AdapterResult AdapterSession::AskVersion(int timeoutMs, std::string& version)
{
    if (!Send("++ver\n"))
        return AdapterResult::Unreachable;
    switch (ReadLine(After(AdapterTimeout(timeoutMs) + kLateMarginMs), version)) {
    case Wait::Arrived:
        family_ = FamilyOfVersion(version);
        return AdapterResult::Done;
    case Wait::Silent:
        Drop("the adapter does not answer ++ver");
        return AdapterResult::TimedOut;
    case Wait::Closed:
        break;
    }
    return AdapterResult::Unreachable;
}

// The family of the open channel's adapter: asked once.
AdapterResult AdapterSession::Family(int timeoutMs, AdapterFamily& family)
{
    if (!family_) {
        std::string version;
        AdapterResult asked = AskVersion(timeoutMs, version);
        if (asked != AdapterResult::Done)
            return asked;
    }
    family = *family_;
    return AdapterResult::Done;
}

AdapterResult AdapterSession::Version(int timeoutMs, std::string& version)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    return AskVersion(timeoutMs, version);
}
