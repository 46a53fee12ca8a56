// The "++" command protocol to one GPIB adapter, over a byte channel that is
// opened on first use and opened again after a failure. The adapter is the
// bus controller (++mode 1), never reads on its own (++auto 0) and marks a
// byte that came with EOI by appending byte 4 (++eot_enable 1, ++eot_char 4).
//
// A write first serial-polls the device (++spoll): an adapter that answers
// with a status byte has a listener there; one that answers nothing within
// its time-out has none, when a ++ver that follows is answered. A wait that
// the ++ver does not end either is the adapter's failure: the channel is
// dropped. So every call ends within its time-out (at most 3000 ms, the
// adapter's own limit) and about 800 ms more.
#pragma once

#include "adapter/byte_channel.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>

enum class AdapterResult { Done, NoListener, TimedOut, Unreachable };

// One direction's terminator settings of a device.
struct AdapterTerminator {
    bool eoi = true;         // writes: the last byte goes with EOI
    bool eosEnabled = false; // the character ends a read, and a message it ends goes with EOI
    unsigned char eosChar = 0;
};

class AdapterSession {
public:
    explicit AdapterSession(const std::string& url) : url_(url) {}

    // Sends `count` bytes to the device at the address (secondary outside 0
    // to 30: none). With the output character enabled, each part of the
    // data that it ends is a message of its own, with EOI; the rest goes with
    // EOI when `end` and the output side asks for it.
    AdapterResult Write(int primary, int secondary, const char* data, size_t count, bool end,
                        const AdapterTerminator& out, int timeoutMs);
    // Reads at most `size` bytes: the read ends with EOI, after the enabled
    // input character, or with the buffer full (the rest of the answer is
    // kept for the next read of the device). A time-out leaves what came in
    // `buffer`, and clears the device (++clr).
    AdapterResult Read(int primary, int secondary, char* buffer, size_t size, const AdapterTerminator& in,
                       int timeoutMs, size_t* count);
    // The adapter's answer to ++ver.
    AdapterResult Version(int timeoutMs, std::string& version);

    // What failed last, for messages.
    const std::string& Problem() const { return problem_; }

private:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Wait { Arrived, Silent, Closed };
    struct Settings {
        int address = -1;
        int eos = -1;
        int eoi = -1;
        int timeout = -1;
    };

    bool Ready(int timeoutMs);
    void Drop(const std::string& problem);
    bool Send(const std::string& text);
    Wait Fill(Deadline deadline);
    Wait ReadLine(Deadline deadline, std::string& line);
    bool Alive();
    std::string Setup(int primary, int secondary, int timeoutMs);
    std::string Set(int& sent, int value, const std::string& command);
    AdapterResult FindListener(int primary, int secondary, int timeoutMs);
    AdapterResult Collect(bool eosEnabled, unsigned char eosChar, int timeoutMs, std::string& reply);

    std::string url_;
    std::unique_ptr<ByteChannel> channel_;
    std::string inbox_;
    bool strayMark_ = false;
    Settings sent_;
    // The rest of an answer that did not fit the reading buffer, by address.
    std::map<std::pair<int, int>, std::string> pending_;
    std::string problem_;
};

// The session of an adapter, one per URL (case-blind), kept for the process.
AdapterSession& AdapterSessionFor(const std::string& url);

// The bytes as a data line carries them: CR, LF, ESC and '+' preceded by ESC.
std::string EscapeAdapterData(const char* data, size_t count);
// The adapter's own read time-out for a device time-out: 1 to 3000 ms.
int AdapterTimeout(int timeoutMs);
