// A simulated "++" GPIB adapter in front of the simulated bus, for the tests:
//   quenbus-adapter-sim [--bench FILE] [--record FILE] [--pty] [--single] [--firmware ar488] [--ports FILE]
// It serves the protocol on a TCP port of the loopback interface (with
// --pty on a pseudo-terminal instead, as a USB adapter's serial port; with
// --single one connection at a time, as an Ethernet adapter: a connection
// made while another is open is closed at once; otherwise connections are
// served at once, but one whose client has hung up is served to its end
// before those made after it) and
// prints "data PORT" (or "serial PATH") and "control PORT". It takes the
// settings (++addr, ++eos, ++eoi, ++eot_enable, ++eot_char, ++read_tmo_ms,
// ++mode), ++read, ++clr, ++trg [PAD [SAD] ...], ++spoll [PAD [SAD]] (the
// status byte; no answer from an empty address), ++srq, ++loc, ++llo, ++ifc
// and ++ver; with --firmware ar488 it answers ++ver as an AR488 and takes
// ++ren 0|1, which it otherwise ignores as it does every unknown command.
// Every byte it receives is recorded. The control port takes one command a
// line and answers "ok" (or the record):
//   drop        close the connection when its next line comes, unanswered
//   close       close every connection now
//   stall       take no more lines until resume
//   resume      take lines again
//   slow MS     wait MS before every answer
//   normal      none of these
//   take        "N" and the N bytes received since the last take, once
//               nothing has arrived for 50 ms
//   refused     "N": the connections closed at once so far (--single)
#include "simbus/bench.h"
#include "simbus/sim_bus.h"
#include "simulator_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char kVersion[] = "quenbus simulated GPIB adapter 1.0";
const char kAr488Version[] = "AR488 GPIB controller, ver. 0.51.29, 18/03/2024 (simulated)";
const char kEscape = 27;
const int kSecondaryBase = 96;
// The most addresses one ++trg takes.
const size_t kMaxTriggered = 15;
const size_t kReadChunk = 1 << 16;
// How long nothing arrives before a take takes what has.
const int kQuietMs = 50;

struct Faults {
    bool drop = false;
    bool stall = false;
    int slowMs = 0;
};

// The adapter's settings, as its commands leave them.
struct Settings {
    int primary = 0;
    int secondary = GPIB_NO_SECONDARY;
    int eos = 0;
    bool eoi = true;
    bool eotEnable = false;
    char eotChar = 0;
    int readTimeoutMs = 500;
    int mode = 1;
    bool remoteEnable = true;
};

struct BusAddress {
    int primary;
    int secondary;
};

// The addresses of a ++trg: each primary address with the secondary one
// (96 and more) that follows it.
std::vector<BusAddress> TriggerAddresses(std::istringstream& words)
{
    std::vector<BusAddress> addresses;
    int number = 0;
    while (words >> number) {
        if (number >= kSecondaryBase && !addresses.empty() && addresses.back().secondary == GPIB_NO_SECONDARY)
            addresses.back().secondary = number - kSecondaryBase;
        else if (number < kSecondaryBase && addresses.size() < kMaxTriggered)
            addresses.push_back(BusAddress{number, GPIB_NO_SECONDARY});
    }
    return addresses;
}

class Adapter {
public:
    Adapter(const Bench& bench, const char* recordPath, bool ar488) : bus_(bench), ar488_(ar488)
    {
        if (recordPath)
            record_ = std::fopen(recordPath, "wb");
    }

    // Counts the connection as open and gives its number in accept order;
    // with `single`, 0 (and the connection counted as refused) while another is open.
    unsigned long Accept(int fd, bool single)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (single && !connections_.empty()) {
            ++refused_;
            return 0;
        }
        connections_[++accepted_] = fd;
        return accepted_;
    }

    void Closed(unsigned long number)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.erase(number);
        closed_.notify_all();
    }

    // A client that closed a connection and then opened the next one sent the
    // first one's bytes first: waits until the earlier connections whose
    // client has hung up have been served to their end, or 200 ms (what is
    // left of a slow or stalled connection is answered to nobody).
    void AwaitHungUpBefore(unsigned long number)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        std::vector<unsigned long> hungUp;
        for (const auto& [earlier, fd] : connections_) {
            pollfd look = {fd, POLLRDHUP, 0};
            if (earlier < number && poll(&look, 1, 0) == 1 && (look.revents & (POLLRDHUP | POLLHUP)))
                hungUp.push_back(earlier);
        }
        closed_.wait_for(lock, std::chrono::milliseconds(200), [&] {
            for (unsigned long earlier : hungUp)
                if (connections_.count(earlier))
                    return false;
            return true;
        });
    }

    void Received(const char* data, size_t count)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(data, count);
        lastReceived_ = std::chrono::steady_clock::now();
        if (record_) {
            std::fwrite(data, 1, count, record_);
            std::fflush(record_);
        }
    }

    // Waits while stalled; false when the connection is to be dropped.
    bool TakeLine()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        resumed_.wait(lock, [this] { return !faults_.stall; });
        if (!faults_.drop)
            return true;
        faults_.drop = false;
        return false;
    }

    // The answer to one line ("" for none).
    std::string Handle(const std::string& line, bool command)
    {
        std::string answer;
        int slowMs = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            answer = command ? Command(line.substr(2)) : Data(line);
            slowMs = faults_.slowMs;
        }
        if (!answer.empty() && slowMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
        return answer;
    }

    // Waits until what the client sent before asking has come: nothing has
    // arrived for kQuietMs, at least kQuietMs after the question, at most a second.
    void AwaitQuiet()
    {
        using Clock = std::chrono::steady_clock;
        const auto quiet = std::chrono::milliseconds(kQuietMs);
        std::this_thread::sleep_for(quiet);
        for (int i = 0; i < 1000 / kQuietMs; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (Clock::now() - lastReceived_ >= quiet)
                    return;
            }
            std::this_thread::sleep_for(quiet);
        }
    }

    std::string Control(const std::string& line)
    {
        if (line == "take")
            AwaitQuiet();
        std::lock_guard<std::mutex> lock(mutex_);
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "drop") {
            faults_.drop = true;
        } else if (word == "stall") {
            faults_.stall = true;
        } else if (word == "resume") {
            faults_.stall = false;
        } else if (word == "slow") {
            words >> faults_.slowMs;
        } else if (word == "close") {
            for (const auto& connection : connections_)
                shutdown(connection.second, SHUT_RDWR);
        } else if (word == "normal") {
            faults_ = Faults();
        } else if (word == "take") {
            std::string taken;
            taken.swap(received_);
            return std::to_string(taken.size()) + "\n" + taken;
        } else if (word == "refused") {
            return std::to_string(refused_) + "\n";
        } else {
            return "unknown control command\n";
        }
        resumed_.notify_all();
        return "ok\n";
    }

private:
    std::string Command(const std::string& text)
    {
        std::istringstream words(text);
        std::string name;
        words >> name;
        if (name == "trg")
            return Trigger(words);
        if (name == "spoll")
            return SerialPoll(words);
        std::string argument;
        bool given = static_cast<bool>(words >> argument);
        int number = given ? std::atoi(argument.c_str()) : 0;
        if (name == "ver")
            return std::string(ar488_ ? kAr488Version : kVersion) + "\r\n";
        if (name == "srq")
            return bus_.ServiceRequested() ? "1\r\n" : "0\r\n";
        if (name == "addr") {
            if (!given)
                return std::to_string(settings_.primary) + "\r\n";
            settings_.primary = number;
            int secondary = 0;
            settings_.secondary = words >> secondary ? secondary - kSecondaryBase : GPIB_NO_SECONDARY;
        } else if (name == "eos") {
            settings_.eos = number;
        } else if (name == "eoi") {
            settings_.eoi = number != 0;
        } else if (name == "eot_enable") {
            settings_.eotEnable = number != 0;
        } else if (name == "eot_char") {
            settings_.eotChar = static_cast<char>(number);
        } else if (name == "read_tmo_ms") {
            settings_.readTimeoutMs = number;
        } else if (name == "mode") {
            settings_.mode = number;
        } else if (name == "clr") {
            bus_.Clear(settings_.primary, settings_.secondary);
        } else if (name == "loc") {
            bus_.GoToLocal(settings_.primary, settings_.secondary);
        } else if (name == "llo") {
            bus_.RemoteEnable(settings_.remoteEnable, true);
        } else if (name == "ren" && ar488_ && given) {
            settings_.remoteEnable = number != 0;
            bus_.RemoteEnable(settings_.remoteEnable, false);
        } else if (name == "read") {
            return Read(given && argument != "eoi" ? number : -1);
        }
        // ++ifc: the simulated bus keeps no addressing for it to reset.
        return "";
    }

    // Without addresses, of the addressed device.
    std::string Trigger(std::istringstream& words)
    {
        std::vector<BusAddress> addresses = TriggerAddresses(words);
        if (addresses.empty())
            addresses.push_back(BusAddress{settings_.primary, settings_.secondary});
        for (const BusAddress& address : addresses)
            bus_.Trigger(address.primary, address.secondary);
        return "";
    }

    // Without an address, of the addressed device.
    std::string SerialPoll(std::istringstream& words)
    {
        BusAddress address{settings_.primary, settings_.secondary};
        int number = 0;
        if (words >> number) {
            address = BusAddress{number, GPIB_NO_SECONDARY};
            if (words >> number)
                address.secondary = number - kSecondaryBase;
        }
        uint8_t statusByte = 0;
        if (bus_.SerialPoll(address.primary, address.secondary, statusByte))
            return std::to_string(statusByte) + "\r\n";
        Wait();
        return "";
    }

    // A wait for a talker that never comes: the read time-out on a real-time bench.
    void Wait()
    {
        if (bus_.RealTime())
            std::this_thread::sleep_for(std::chrono::milliseconds(settings_.readTimeoutMs));
    }

    // Reads until END or the character, as the adapter does, however long.
    std::string Read(int character)
    {
        std::string answer;
        char chunk[kReadChunk];
        size_t count = 0;
        ReadEnd ended = ReadEnd::BufferFull;
        bool done = true;
        while (done && ended == ReadEnd::BufferFull) {
            done = bus_.Read(settings_.primary, settings_.secondary, chunk, sizeof chunk, true, character,
                             settings_.readTimeoutMs, &count, &ended);
            answer.append(chunk, count);
        }
        // The byte that came with EOI is the instrument's last.
        if (done && !answer.empty() && settings_.eotEnable && bus_.Unsaid(settings_.primary, settings_.secondary) == 0)
            answer += settings_.eotChar;
        return answer;
    }

    std::string Data(const std::string& bytes)
    {
        static const char* const kAppended[] = {"\r\n", "\r", "\n", ""};
        std::string message = bytes + (settings_.eos >= 0 && settings_.eos <= 3 ? kAppended[settings_.eos] : "");
        bus_.Write(settings_.primary, settings_.secondary, message.data(), message.size(), settings_.eoi);
        return "";
    }

    std::mutex mutex_;
    std::condition_variable resumed_;
    SimBus bus_;
    const bool ar488_;
    Settings settings_;
    Faults faults_;
    std::string received_;
    std::chrono::steady_clock::time_point lastReceived_;
    FILE* record_ = nullptr;
    std::condition_variable closed_;
    // The open connections' sockets by their number in accept order.
    std::map<unsigned long, int> connections_;
    unsigned long accepted_ = 0;
    int refused_ = 0;
};

// Splits the received bytes into lines: an unescaped CR or LF ends one, ESC
// takes the next byte as it is, and a line that begins with an unescaped
// "++" is a command.
class LineReader {
public:
    template <typename Handler> void Feed(const char* data, size_t count, Handler handle)
    {
        for (size_t i = 0; i < count; ++i) {
            char c = data[i];
            if (escaped_) {
                escaped_ = false;
                line_ += c;
            } else if (c == kEscape) {
                escaped_ = true;
            } else if (c == '\r' || c == '\n') {
                if (!line_.empty() && !handle(line_, plainPluses_ >= 2))
                    return;
                line_.clear();
                plainPluses_ = 0;
            } else {
                if (c == '+' && plainPluses_ == static_cast<int>(line_.size()))
                    ++plainPluses_;
                line_ += c;
            }
        }
    }

private:
    std::string line_;
    bool escaped_ = false;
    int plainPluses_ = 0;
};


// Serves one connection (number 0: the serial line) until it closes or is dropped.
void Serve(Adapter& adapter, int fd, unsigned long number)
{
    const bool socket = number != 0;
    if (socket)
        adapter.AwaitHungUpBefore(number);
    LineReader reader;
    char buffer[4096];
    bool open = true;
    while (open) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (socket)
                break;
            // The serial line has no client for the moment.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        adapter.Received(buffer, static_cast<size_t>(count));
        reader.Feed(buffer, static_cast<size_t>(count), [&](const std::string& line, bool command) {
            if (!adapter.TakeLine()) {
                open = !socket;
                return socket ? false : true;
            }
            std::string answer = adapter.Handle(line, command);
            if (!answer.empty() && !SendAll(fd, answer, socket))
                open = !socket;
            return open;
        });
    }
    if (socket) {
        adapter.Closed(number);
        close(fd);
    }
}



// A pseudo-terminal in raw mode: the client opens its slave as a serial port.
int OpenPty(std::string& path, int& slave)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("simulated adapter: pseudo-terminal");
        std::exit(1);
    }
    path = ptsname(master);
    // Held open, so that the line stays up between the client's openings.
    slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios settings = {};
    tcgetattr(slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(slave, TCSANOW, &settings);
    return master;
}


} // namespace

int main(int argc, char** argv)
{
    const char* benchPath = nullptr;
    const char* recordPath = nullptr;
    const char* portsPath = nullptr;
    bool pty = false;
    bool single = false;
    bool ar488 = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--pty")
            pty = true;
        else if (option == "--single")
            single = true;
        else if (i + 1 < argc && option == "--bench")
            benchPath = argv[++i];
        else if (i + 1 < argc && option == "--record")
            recordPath = argv[++i];
        else if (i + 1 < argc && option == "--ports")
            portsPath = argv[++i];
        else if (i + 1 < argc && option == "--firmware" && std::string(argv[i + 1]) == "ar488") {
            ar488 = true;
            ++i;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--bench FILE] [--record FILE] [--pty] [--single] [--firmware ar488] [--ports FILE]\n",
                         argv[0]);
            return 2;
        }
    }
    Adapter adapter(ReadBenchOrExit(benchPath, "simulated adapter"), recordPath, ar488);
    int controlPort = 0;
    int control = ListenOnLoopback(0, &controlPort);
    std::string announce;
    int dataPort = 0;
    int data = -1;
    int master = -1;
    int slave = -1;
    if (pty) {
        std::string path;
        master = OpenPty(path, slave);
        announce = "serial " + path + "\n";
    } else {
        data = ListenOnLoopback(0, &dataPort);
        announce = "data " + std::to_string(dataPort) + "\n";
    }
    announce += "control " + std::to_string(controlPort) + "\n";
    AnnouncePorts(portsPath, announce);
    std::thread(ServeControl, control, [&adapter](const std::string& line) { return adapter.Control(line); }).detach();
    if (pty) {
        Serve(adapter, master, 0);
        return 0;
    }
    for (;;) {
        int fd = accept(data, nullptr, nullptr);
        if (fd < 0)
            continue;
        // Counted as open before the next accept, so that --single sees it.
        unsigned long number = adapter.Accept(fd, single);
        if (number == 0) {
            close(fd);
            continue;
        }
        std::thread(Serve, std::ref(adapter), fd, number).detach();
    }
}
