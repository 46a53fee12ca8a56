#include "adapter/adapter_session.h"

#include "text/text_compare.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char kEscape = 27;
const char kEndMark = 4;
const int kMaxAdapterTimeoutMs = 3000;
// How long past its own time-out an adapter may take to show it has ended.
const int kLateMarginMs = 300;
const int kAliveCheckMs = 500;
const size_t kChunkSize = 4096;
const int kSecondaryBase = 96;
const int kMaxAddress = 30;

// ++eos: what the adapter appends to a data line.
const int kEosCrLf = 0;
const int kEosCr = 1;
const int kEosLf = 2;
const int kEosNone = 3;

const char kSetupCommands[] = "++mode 1\n++auto 0\n++eot_enable 1\n++eot_char 4\n";

Clock::time_point After(int milliseconds)
{
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool HasSecondary(int secondary)
{
    return secondary >= 0 && secondary <= kMaxAddress;
}

std::string AddressText(int primary, int secondary)
{
    std::string text = std::to_string(primary);
    if (HasSecondary(secondary))
        text += " " + std::to_string(kSecondaryBase + secondary);
    return text;
}

bool IsStatusByte(const std::string& line)
{
    return !line.empty() && line.size() <= 3 &&
           std::all_of(line.begin(), line.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// One message of a write: its bytes on the data line, what ++eos appends,
// and whether its last byte goes with EOI.
struct Message {
    std::string bytes;
    int eos;
    bool eoi;
};

// A message that an enabled output character ends: the adapter appends CR,
// LF or CR LF itself where the message ends with them.
Message EndedMessage(const std::string& part, unsigned char eosChar)
{
    Message message{part, kEosNone, true};
    size_t size = part.size();
    if (eosChar == '\n' && size > 2 && part.compare(size - 2, 2, "\r\n") == 0)
        message = Message{part.substr(0, size - 2), kEosCrLf, true};
    else if (size > 1 && (eosChar == '\r' || eosChar == '\n'))
        message = Message{part.substr(0, size - 1), eosChar == '\r' ? kEosCr : kEosLf, true};
    return message;
}

std::vector<Message> SplitMessages(const char* data, size_t count, bool end, const AdapterTerminator& out)
{
    std::vector<Message> messages;
    size_t start = 0;
    for (size_t i = 0; out.eosEnabled && i < count; ++i) {
        if (static_cast<unsigned char>(data[i]) != out.eosChar)
            continue;
        messages.push_back(EndedMessage(std::string(data + start, i + 1 - start), out.eosChar));
        start = i + 1;
    }
    if (start < count)
        messages.push_back(Message{std::string(data + start, count - start), kEosNone, end && out.eoi});
    return messages;
}

} // namespace

std::string EscapeAdapterData(const char* data, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == '\r' || data[i] == '\n' || data[i] == kEscape || data[i] == '+')
            text += kEscape;
        text += data[i];
    }
    return text;
}

int AdapterTimeout(int timeoutMs)
{
    return timeoutMs <= 0 || timeoutMs > kMaxAdapterTimeoutMs ? kMaxAdapterTimeoutMs : timeoutMs;
}

AdapterSession& AdapterSessionFor(const std::string& url)
{
    static std::map<std::string, std::unique_ptr<AdapterSession>, LessNoCase> sessions;
    std::unique_ptr<AdapterSession>& session = sessions[url];
    if (!session)
        session.reset(new AdapterSession(url));
    return *session;
}

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
            strayMark_ = false;
    }
    inbox_.clear();
    if (channel_)
        return true;
    AdapterAddress address;
    if (!ParseAdapterUrl(url_, address, problem_))
        return false;
    channel_ = address.kind == AdapterAddress::Kind::Tcp ? OpenTcpChannel(address, AdapterTimeout(timeoutMs), problem_)
                                                          : OpenSerialChannel(address, problem_);
    sent_ = Settings();
    pending_.clear();
    strayMark_ = false;
    return channel_ && Send(kSetupCommands);
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

// Waits for more bytes until the deadline; the end mark of an earlier read
// that ended on its character is dropped when it comes first.
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
    size_t skip = strayMark_ && inbox_.empty() && buffer[0] == kEndMark ? 1 : 0;
    strayMark_ = false;
    inbox_.append(buffer + skip, static_cast<size_t>(count) - skip);
    return Wait::Arrived;
}

AdapterSession::Wait AdapterSession::ReadLine(Deadline deadline, std::string& line)
{
    for (;;) {
        size_t end = inbox_.find('\n');
        if (end != std::string::npos) {
            line = inbox_.substr(0, end);
            inbox_.erase(0, end + 1);
            while (!line.empty() && line.back() == '\r')
                line.pop_back();
            return Wait::Arrived;
        }
        Wait wait = Fill(deadline);
        if (wait != Wait::Arrived)
            return wait;
    }
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

std::string AdapterSession::Set(int& sent, int value, const std::string& command)
{
    if (sent == value)
        return "";
    sent = value;
    return command + "\n";
}

std::string AdapterSession::Setup(int primary, int secondary, int timeoutMs)
{
    int address = primary * 32 + (HasSecondary(secondary) ? secondary + 1 : 0);
    int timeout = AdapterTimeout(timeoutMs);
    return Set(sent_.address, address, "++addr " + AddressText(primary, secondary)) +
           Set(sent_.timeout, timeout, "++read_tmo_ms " + std::to_string(timeout));
}

AdapterResult AdapterSession::FindListener(int primary, int secondary, int timeoutMs)
{
    if (!Send(Setup(primary, secondary, timeoutMs) + "++spoll " + AddressText(primary, secondary) + "\n"))
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
    std::string text;
    for (const Message& message : SplitMessages(data, count, end, out)) {
        text += Set(sent_.eos, message.eos, "++eos " + std::to_string(message.eos));
        text += Set(sent_.eoi, message.eoi ? 1 : 0, message.eoi ? "++eoi 1" : "++eoi 0");
        text += EscapeAdapterData(message.bytes.data(), message.bytes.size()) + "\n";
    }
    return text.empty() || Send(text) ? AdapterResult::Done : AdapterResult::Unreachable;
}

// Takes the answer of a ++read: up to the end mark (EOI), or up to and with
// the input character; a time-out leaves what came in `reply`.
AdapterResult AdapterSession::Collect(bool eosEnabled, unsigned char eosChar, int timeoutMs, std::string& reply)
{
    int adapterTimeout = AdapterTimeout(timeoutMs);
    Deadline last = After(std::max(timeoutMs, adapterTimeout) + kLateMarginMs);
    Deadline silence = After(adapterTimeout + kLateMarginMs);
    for (;;) {
        size_t end = eosEnabled ? inbox_.find_first_of(std::string{kEndMark, static_cast<char>(eosChar)})
                                : inbox_.find(kEndMark);
        if (end != std::string::npos) {
            bool mark = inbox_[end] == kEndMark;
            reply += inbox_.substr(0, mark ? end : end + 1);
            inbox_.erase(0, end + 1);
            // The character may have come with EOI: its mark follows.
            if (!mark && !inbox_.empty() && inbox_[0] == kEndMark)
                inbox_.erase(0, 1);
            else if (!mark)
                strayMark_ = inbox_.empty();
            return AdapterResult::Done;
        }
        reply += inbox_;
        inbox_.clear();
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
}

AdapterResult AdapterSession::Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                                   int timeoutMs, size_t* count)
{
    *count = 0;
    if (size == 0)
        return AdapterResult::Done;
    if (!Ready(timeoutMs))
        return AdapterResult::Unreachable;
    std::string reply;
    reply.swap(pending_[std::make_pair(primary, secondary)]);
    AdapterResult result = AdapterResult::Done;
    if (reply.empty()) {
        std::string command = in.eosEnabled ? "++read " + std::to_string(in.eosChar) : "++read eoi";
        if (!Send(Setup(primary, secondary, timeoutMs) + command + "\n"))
            return AdapterResult::Unreachable;
        result = Collect(in.eosEnabled, in.eosChar, timeoutMs, reply);
    }
    // The read ends at the character or with the buffer full; the rest waits.
    size_t taken = std::min(size, reply.size());
    if (in.eosEnabled) {
        size_t character = reply.find(static_cast<char>(in.eosChar));
        if (character != std::string::npos)
            taken = std::min(taken, character + 1);
    }
    std::memcpy(buffer, reply.data(), taken);
    *count = taken;
    if (result == AdapterResult::Done && taken < reply.size())
        pending_[std::make_pair(primary, secondary)] = reply.substr(taken);
    if (result == AdapterResult::TimedOut && channel_)
        Send(Setup(primary, secondary, timeoutMs) + "++clr\n");
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
