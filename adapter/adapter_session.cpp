#include "adapter/adapter_session.h"

#include <algorithm>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How long past its own time-out an adapter may take to show it has ended.
const int kLateMarginMs = 300;
const int kAliveCheckMs = 500;
const size_t kChunkSize = 4096;

Clock::time_point After(int milliseconds)
{
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

void AdapterSession::Drop(const std::string& problem)
{
    channel_.reset();
    problem_ = problem;
}

// Opens the channel when there is none; drops what came unasked on an open
// one (the end mark of an earlier read, late answers), and opens again when
// the adapter has closed it.
bool AdapterSession::Ready(int timeoutMs)
{
    char buffer[kChunkSize];
    while (channel_) {
        long count = channel_->Receive(buffer, sizeof buffer, 0);
        if (count == 0)
            break;
        if (count < 0)
            Drop("the adapter closed the connection");
        else
            reader_.Add(buffer, static_cast<size_t>(count));
    }
    reader_.DropUnread();
    if (channel_)
        return true;
    channel_ = open_(AdapterTimeout(timeoutMs), problem_);
    codec_.Forget();
    reader_ = EndMarkReader();
    pending_.clear();
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
    char buffer[kChunkSize];
    long count = channel_->Receive(buffer, sizeof buffer, RemainingMs(deadline));
    if (count < 0) {
        Drop("the adapter closed the connection");
        return Wait::Closed;
    }
    if (count == 0)
        return Wait::Silent;
    reader_.Add(buffer, static_cast<size_t>(count));
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
    if (Send("++ver\n") && ReadLine(After(kAliveCheckMs), line) == Wait::Arrived)
        return true;
    Drop("the adapter stopped answering");
    return false;
}

AdapterResult AdapterSession::FindListener(int primary, int secondary, int timeoutMs)
{
    if (!Send(codec_.SerialPoll(primary, secondary, timeoutMs)))
        return AdapterResult::Unreachable;
    std::string line;
    switch (ReadLine(After(AdapterTimeout(timeoutMs) + kLateMarginMs), line)) {
    case Wait::Arrived:
        return IsStatusByte(line) ? AdapterResult::Done : AdapterResult::NoListener;
    case Wait::Silent:
        return Alive() ? AdapterResult::NoListener : AdapterResult::TimedOut;
    case Wait::Closed:
        break;
    }
    return AdapterResult::Unreachable;
}

AdapterResult AdapterSession::Write(int primary, int secondary, const char* data, size_t count, bool end,
                                    const AdapterTerminator& out, int timeoutMs)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    // A new message: what the device had still to say is gone.
    pending_.erase(std::make_pair(primary, secondary));
    AdapterResult listener = FindListener(primary, secondary, timeoutMs);
    if (listener != AdapterResult::Done)
        return listener;
    std::string text = codec_.Write(data, count, end, out);
    return text.empty() || Send(text) ? AdapterResult::Done : AdapterResult::Unreachable;
}

// Takes the answer of a ++read: up to the end mark (EOI), or up to and with
// the input character; a time-out leaves what came in `reply`.
AdapterResult AdapterSession::Collect(int eosChar, int timeoutMs, std::string& reply, bool& eoi)
{
    int adapterTimeout = AdapterTimeout(timeoutMs);
    Deadline last = After(std::max(timeoutMs, adapterTimeout) + kLateMarginMs);
    Deadline silence = After(adapterTimeout + kLateMarginMs);
    while (!reader_.TakeReply(eosChar, reply, eoi)) {
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

AdapterResult AdapterSession::Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                                   int timeoutMs, size_t* count, ReadEnd* ended)
{
    *count = 0;
    *ended = ReadEnd::None;
    if (size == 0) {
        *ended = ReadEnd::BufferFull;
        return AdapterResult::Done;
    }
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    int eosChar = in.eosEnabled ? in.eosChar : -1;
    Unread reply;
    std::swap(reply, pending_[std::make_pair(primary, secondary)]);
    AdapterResult result = AdapterResult::Done;
    if (reply.bytes.empty()) {
        if (!Send(codec_.Read(primary, secondary, timeoutMs, in)))
            return AdapterResult::Unreachable;
        result = Collect(eosChar, timeoutMs, reply.bytes, reply.eoi);
    }
    // The read ends at the character or with the buffer full; the rest waits.
    ReadStop stop = FindReadStop(reply.bytes.data(), reply.bytes.size(), size, eosChar,
                                 result == AdapterResult::Done && reply.eoi);
    std::memcpy(buffer, reply.bytes.data(), stop.count);
    *count = stop.count;
    if (result == AdapterResult::Done) {
        *ended = stop.ended;
        if (stop.count < reply.bytes.size())
            pending_[std::make_pair(primary, secondary)] = Unread{reply.bytes.substr(stop.count), reply.eoi};
    }
    if (result == AdapterResult::TimedOut && channel_)
        Send(codec_.Clear(primary, secondary, timeoutMs));
    return result;
}

AdapterResult AdapterSession::Version(int timeoutMs, std::string& version)
{
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    if (!Send("++ver\n"))
        return AdapterResult::Unreachable;
    switch (ReadLine(After(AdapterTimeout(timeoutMs) + kLateMarginMs), version)) {
    case Wait::Arrived:
        return AdapterResult::Done;
    case Wait::Silent:
        Drop("the adapter does not answer ++ver");
        return AdapterResult::TimedOut;
    case Wait::Closed:
        break;
    }
    return AdapterResult::Unreachable;
}
