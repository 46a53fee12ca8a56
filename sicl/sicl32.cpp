// The SICL substitute on the simulated bus: sessions to the instruments of
// simbus on the interface hpib7. Every call is written to the bus log and,
// while tracing is on, to the I/O trace.
#include "sicl/sicl32.h"

#include "gpib/bus_limits.h"
#include "gpib/message_framing.h"
#include "sicl/formats.h"
#include "simbus/sim_bus.h"
#include "simbus/trace.h"
#include "trace/call_recording.h"
#include "trace/trace_switch.h"
#include "text/text_compare.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kInterfaceName[] = "hpib7";
const long kDefaultTimeoutMs = 10000;

struct Session {
    bool open = false;
    SimBus* bus = nullptr;
    int primary = 0;
    int secondary = GPIB_NO_SECONDARY;
    long timeoutMs = kDefaultTimeoutMs;
    int termChar = -1;
};

struct Library {
    std::mutex mutex;
    // Session id N in slot N - 1; the slot of a closed session goes to the next one opened.
    std::vector<Session> sessions;
    // The error of the call in progress, for the log.
    int callError = SICL_ERR_NONE;
};

Library g_library;

// Starts a call: takes the lock, clears the call's error.
class Call {
public:
    Call() : lock_(g_library.mutex) { g_library.callError = SICL_ERR_NONE; }

private:
    std::lock_guard<std::mutex> lock_;
};

// Records the call's error; returns `result`.
int Fail(int error, int result)
{
    g_library.callError = error;
    return result;
}

Session* Find(int id)
{
    if (id < 1 || static_cast<size_t>(id) > g_library.sessions.size())
        return nullptr;
    Session& session = g_library.sessions[static_cast<size_t>(id) - 1];
    return session.open ? &session : nullptr;
}

// A bus address, 0 to 30, taking all of the text from `begin` to `end`.
bool ParseBusAddress(const char* begin, const char* end, int& address)
{
    if (begin == end || end - begin > 2)
        return false;
    address = 0;
    for (const char* c = begin; c < end; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
        address = address * 10 + (*c - '0');
    }
    return address <= GPIB_MAX_ADDRESS;
}

// "hpib7,PRIMARY[,SECONDARY]", the interface name in any case.
bool ParseAddress(const char* address, Session& session)
{
    const char* first = std::strchr(address, ',');
    const size_t nameLength = sizeof kInterfaceName - 1;
    if (!first || static_cast<size_t>(first - address) != nameLength || !StartsWithNoCase(address, kInterfaceName))
        return false;
    const char* second = std::strchr(first + 1, ',');
    const char* primaryEnd = second ? second : first + 1 + std::strlen(first + 1);
    if (!ParseBusAddress(first + 1, primaryEnd, session.primary))
        return false;
    return !second || ParseBusAddress(second + 1, second + 1 + std::strlen(second + 1), session.secondary);
}

int Open(const char* address)
{
    Session session;
    if (!address || !ParseAddress(address, session))
        return Fail(SICL_ERR_BAD_ADDRESS, 0);
    session.open = true;
    session.bus = &BusOf(kInterfaceName);
    std::vector<Session>& sessions = g_library.sessions;
    size_t slot = 0;
    while (slot < sessions.size() && sessions[slot].open)
        ++slot;
    if (slot == sessions.size())
        sessions.push_back(session);
    else
        sessions[slot] = session;
    return static_cast<int>(slot) + 1;
}

// Sends the text, each line feed of the format with END; 1, or 0 on failure.
int Send(const Session& session, const WriteText& text)
{
    // A format that makes no bytes sends nothing.
    if (text.bytes.empty())
        return 1;
    for (const MessagePart& part : MessageParts(text.ends, text.bytes.size(), false)) {
        if (!session.bus->Write(session.primary, session.secondary, text.bytes.data() + part.offset, part.count,
                                part.end))
            return Fail(SICL_ERR_NO_LISTENER, 0);
    }
    return 1;
}

// Reads one answer of at most `width` characters into `reply` and drops the
// rest of it; 1, or 0 on failure. `arrived` gets what came, also on failure.
int Receive(const Session& session, size_t width, char* reply, std::string& arrived)
{
    SimBus& bus = *session.bus;
    std::string answer(width, '\0');
    size_t count = 0;
    bool done = bus.Read(session.primary, session.secondary, &answer[0], width, true, session.termChar,
                         static_cast<int>(session.timeoutMs), &count);
    arrived.assign(answer, 0, count);
    if (!done)
        return Fail(SICL_ERR_TIMEOUT, 0);
    bus.DropUnsaid(session.primary, session.secondary);
    std::memcpy(reply, answer.data(), count);
    reply[count] = '\0';
    return 1;
}

int ReasonOf(ReadEnd ended)
{
    switch (ended) {
    case ReadEnd::Eoi:
        return SICL_TERM_END;
    case ReadEnd::EndOfString:
        return SICL_TERM_CHR;
    case ReadEnd::BufferFull:
        return SICL_TERM_MAXCNT;
    case ReadEnd::None:
        break;
    }
    return 0;
}

int Read(int id, char* buffer, unsigned long size, int* reason, unsigned long* count)
{
    if (reason)
        *reason = 0;
    if (count)
        *count = 0;
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
    if ((!buffer && size) || !reason || !count)
        return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
    size_t arrived = 0;
    ReadEnd ended = ReadEnd::None;
    bool done = session->bus->Read(session->primary, session->secondary, buffer, size, true, session->termChar,
                                   static_cast<int>(session->timeoutMs), &arrived, &ended);
    *count = static_cast<unsigned long>(arrived);
    if (!done)
        return Fail(SICL_ERR_TIMEOUT, SICL_ERR_TIMEOUT);
    *reason = ReasonOf(ended);
    return SICL_ERR_NONE;
}

int Write(int id, const char* data, unsigned long count, int end, unsigned long* sent)
{
    if (sent)
        *sent = 0;
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
    if ((!data && count) || !sent)
        return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
    if (count && !session->bus->Write(session->primary, session->secondary, data, count, end == 1))
        return Fail(SICL_ERR_NO_LISTENER, SICL_ERR_NO_LISTENER);
    *sent = count;
    return SICL_ERR_NONE;
}

int Printf(int id, const char* format, va_list& args, WriteText& text)
{
    bool formatted = FormatWrite(format, args, text);
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, 0);
    if (!formatted)
        return Fail(SICL_ERR_BAD_FORMAT, 0);
    return Send(*session, text);
}

int Promptf(int id, const char* writeFormat, const char* readFormat, va_list& args, WriteText& text,
            std::string& arrived)
{
    bool formatted = FormatWrite(writeFormat, args, text);
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, 0);
    size_t width = ReadFormatWidth(readFormat);
    if (!formatted || width == 0)
        return Fail(SICL_ERR_BAD_FORMAT, 0);
    char* reply = va_arg(args, char*);
    if (!reply)
        return Fail(SICL_ERR_BAD_ARGUMENT, 0);
    return Send(*session, text) && Receive(*session, width, reply, arrived);
}

// Runs an operation of the bus on the session's instrument: 0, or an error number.
template <typename Operation> int OnSession(int id, bool argumentsValid, Operation operation)
{
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
    if (!argumentsValid)
        return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
    if (!operation(*session->bus, session->primary, session->secondary))
        return Fail(SICL_ERR_NO_LISTENER, SICL_ERR_NO_LISTENER);
    return SICL_ERR_NONE;
}

// One look for the session's service request, under the library's lock:
// `done` when the wait is over, with its result.
int LookForRequest(int id, unsigned char* statusByte, bool& done)
{
    Call call;
    done = true;
    Session* session = Find(id);
    if (!session)
        return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
    if (!statusByte)
        return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
    SimBus& bus = *session->bus;
    if (!bus.Present(session->primary, session->secondary))
        return Fail(SICL_ERR_NO_LISTENER, SICL_ERR_NO_LISTENER);
    uint8_t polled = 0;
    done = bus.Requesting(session->primary, session->secondary) &&
           bus.SerialPoll(session->primary, session->secondary, polled);
    *statusByte = polled;
    return SICL_ERR_NONE;
}

// How often a wait looks for the request.
const int kRequestLookMs = 5;

int WaitRequest(int id, unsigned long timeoutMs, unsigned char* statusByte)
{
    using Clock = std::chrono::steady_clock;
    const bool forever = timeoutMs == SICL_WAIT_FOREVER;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
    for (;;) {
        bool done = false;
        int result = LookForRequest(id, statusByte, done);
        if (done)
            return result;
        if (!forever && Clock::now() >= deadline)
            return SICL_ERR_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(kRequestLookMs));
    }
}

std::string SiclErrorText(int error)
{
    switch (error) {
    case SICL_ERR_BAD_ID:
        return "not an open session";
    case SICL_ERR_BAD_ADDRESS:
        return "not an address hpib7,PRIMARY[,SECONDARY] with addresses 0 to 30";
    case SICL_ERR_BAD_ARGUMENT:
        return "an argument is out of range";
    case SICL_ERR_BAD_FORMAT:
        return "a format the library does not offer";
    case SICL_ERR_NO_LISTENER:
        return "nothing listens at that address";
    case SICL_ERR_TIMEOUT:
        return "the device did not answer in time";
    }
    return "error " + std::to_string(error);
}

TraceFailure FailureOf(int error)
{
    switch (error) {
    case SICL_ERR_NONE:
        return TraceFailure::None;
    case SICL_ERR_TIMEOUT:
        return TraceFailure::Timeout;
    case SICL_ERR_NO_LISTENER:
        return TraceFailure::NoListener;
    }
    return TraceFailure::Other;
}

// No session for the trace to describe.
const int kNoSession = 0;

// The session's address and settings, for its call's entry; under the
// library's lock. A read ends at END, and at the termination character when
// one is set.
void DescribeSession(int id, TraceEntry& entry)
{
    const Session* session = Find(id);
    if (!session)
        return;
    entry.address = std::string(kInterfaceName) + "," + std::to_string(session->primary) +
                    (session->secondary == GPIB_NO_SECONDARY ? "" : "," + std::to_string(session->secondary));
    entry.termInEoi = 1;
    entry.termInEos = session->termChar;
    entry.timeoutMs = session->timeoutMs;
}

// Completes the recording of a call with its outcome: the call's error, under
// the library's lock.
void Recorded(CallRecording& recording, const std::string& arguments, int result)
{
    int error = g_library.callError;
    recording.Finish(arguments, result, error, error == SICL_ERR_NONE ? "" : SiclErrorText(error), FailureOf(error));
}

// Runs an export's work under the library's lock; while tracing is wanted,
// records it with `arguments` (formatted only then) and what `details` adds.
template <typename Work, typename Arguments, typename Details>
int Exported(const char* name, int id, Work work, Arguments arguments, Details details)
{
    Call call;
    if (!TraceWanted())
        return work();
    CallRecording recording("sicl", name);
    if (id != kNoSession)
        DescribeSession(id, recording.Entry());
    int result = work();
    details(recording);
    Recorded(recording, arguments(), result);
    return result;
}

template <typename Work, typename Arguments> int Exported(const char* name, int id, Work work, Arguments arguments)
{
    return Exported(name, id, work, arguments, [](CallRecording&) {});
}

std::string Id(int id)
{
    return std::to_string(id);
}

} // namespace

int SICL_CALL SiclOpen(const char* address)
{
    int opened = 0;
    return Exported(
        "SiclOpen", kNoSession, [&] { return opened = Open(address); }, [&] { return Quoted(address); },
        [&](CallRecording& recording) {
            if (opened > 0)
                DescribeSession(opened, recording.Entry());
            else
                recording.Entry().address = address ? address : "";
        });
}

int SICL_CALL SiclTimeout(int id, long timeoutMs)
{
    return Exported(
        "SiclTimeout", id,
        [&] {
            Session* session = Find(id);
            if (!session)
                return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
            if (timeoutMs < 0)
                return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
            session->timeoutMs = timeoutMs;
            return static_cast<int>(SICL_ERR_NONE);
        },
        [&] { return Id(id) + ", " + std::to_string(timeoutMs); });
}

int SICL_CALL SiclTermChar(int id, int termChar)
{
    return Exported(
        "SiclTermChar", id,
        [&] {
            Session* session = Find(id);
            if (!session)
                return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
            if (termChar < -1 || termChar > 255)
                return Fail(SICL_ERR_BAD_ARGUMENT, SICL_ERR_BAD_ARGUMENT);
            session->termChar = termChar;
            return static_cast<int>(SICL_ERR_NONE);
        },
        [&] { return Id(id) + ", " + std::to_string(termChar); });
}

int SiclPrintf(int id, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteText text;
    text.showArguments = TraceWanted();
    int result = Exported(
        "SiclPrintf", id, [&] { return Printf(id, format, args, text); },
        [&] { return Id(id) + ", " + Quoted(format) + text.shownArguments; },
        [&](CallRecording& recording) {
            recording.Data(TraceTransfer::Write, text.bytes.data(), text.bytes.size());
        });
    va_end(args);
    return result;
}

int SiclPromptf(int id, const char* writeFormat, const char* readFormat, ...)
{
    va_list args;
    va_start(args, readFormat);
    WriteText text;
    text.showArguments = TraceWanted();
    std::string arrived;
    int result = Exported(
        "SiclPromptf", id, [&] { return Promptf(id, writeFormat, readFormat, args, text, arrived); },
        [&] { return Id(id) + ", " + Quoted(writeFormat) + ", " + Quoted(readFormat) + text.shownArguments; },
        [&](CallRecording& recording) { recording.Data(TraceTransfer::Read, arrived.data(), arrived.size()); });
    va_end(args);
    return result;
}

int SICL_CALL SiclRead(int id, char* buffer, unsigned long size, int* reason, unsigned long* count)
{
    return Exported(
        "SiclRead", id, [&] { return Read(id, buffer, size, reason, count); },
        [&] {
            return Id(id) + ", " + std::to_string(size) + ", " + (count ? std::to_string(*count) : "null") + ", " +
                   (reason ? std::to_string(*reason) : "null");
        },
        [&](CallRecording& recording) {
            recording.Data(TraceTransfer::Read, buffer, buffer && count ? *count : 0);
        });
}

int SICL_CALL SiclWrite(int id, const char* data, unsigned long count, int end, unsigned long* sent)
{
    return Exported(
        "SiclWrite", id, [&] { return Write(id, data, count, end, sent); },
        [&] { return Id(id) + ", " + QuotedHead(data, count) + ", " + std::to_string(count) + ", " + std::to_string(end); },
        [&](CallRecording& recording) { recording.Data(TraceTransfer::Write, data, data ? count : 0); });
}

int SICL_CALL SiclClose(int id)
{
    return Exported(
        "SiclClose", id,
        [&] {
            Session* session = Find(id);
            if (!session)
                return Fail(SICL_ERR_BAD_ID, SICL_ERR_BAD_ID);
            session->open = false;
            return static_cast<int>(SICL_ERR_NONE);
        },
        [&] { return Id(id); });
}

int SICL_CALL SiclCleanup(void)
{
    return Exported(
        "SiclCleanup", kNoSession,
        [&] {
            g_library.sessions.clear();
            return 0;
        },
        [] { return std::string(); });
}

int SICL_CALL SiclClear(int id)
{
    return Exported(
        "SiclClear", id, [&] { return OnSession(id, true, [](SimBus& bus, int p, int s) { return bus.Clear(p, s); }); },
        [&] { return Id(id); });
}

int SICL_CALL SiclTrigger(int id)
{
    return Exported(
        "SiclTrigger", id,
        [&] { return OnSession(id, true, [](SimBus& bus, int p, int s) { return bus.Trigger(p, s); }); },
        [&] { return Id(id); });
}

int SICL_CALL SiclReadStb(int id, unsigned char* statusByte)
{
    return Exported(
        "SiclReadStb", id,
        [&] {
            return OnSession(id, statusByte != nullptr, [&](SimBus& bus, int p, int s) {
                uint8_t polled = 0;
                bool present = bus.SerialPoll(p, s, polled);
                *statusByte = polled;
                return present;
            });
        },
        [&] { return Id(id) + ", " + (statusByte ? std::to_string(*statusByte) : "null"); });
}

int SICL_CALL SiclLocal(int id)
{
    return Exported(
        "SiclLocal", id,
        [&] { return OnSession(id, true, [](SimBus& bus, int p, int s) { return bus.GoToLocal(p, s); }); },
        [&] { return Id(id); });
}

int SICL_CALL SiclRemote(int id)
{
    return Exported(
        "SiclRemote", id,
        [&] { return OnSession(id, true, [](SimBus& bus, int p, int s) { return bus.GoToRemote(p, s); }); },
        [&] { return Id(id); });
}

// The wait takes the library's lock for each look only; its entry is made
// under the lock once the wait is over.
int SICL_CALL SiclWaitRequest(int id, unsigned long timeoutMs, unsigned char* statusByte)
{
    if (!TraceWanted())
        return WaitRequest(id, timeoutMs, statusByte);
    CallRecording recording("sicl", "SiclWaitRequest");
    int result = WaitRequest(id, timeoutMs, statusByte);
    Call call;
    g_library.callError = result;
    DescribeSession(id, recording.Entry());
    Recorded(recording,
             Id(id) + ", " + std::to_string(timeoutMs) + ", " + (statusByte ? std::to_string(*statusByte) : "null"),
             result);
    return result;
}
