// A simulated LAN/GPIB gateway in front of the simulated bus, for the tests:
//   quenbus-gateway-sim [--bench FILE] [--record FILE] [--ports FILE] [--portmapper PORT]
//                       [--max-recv N] [--fragment N] [--piece N]
// On the loopback interface it serves a portmapper (GETPORT of the VXI-11
// core channel; on a free port unless --portmapper gives one, 111 for
// clients that look there) and the core channel, program 0x0607AF version 1,
// for any number of connections at once, each with its links: create_link
// ("gpib0", "gpib0,PAD" or "gpib0,PAD,SAD"), device_write, device_read,
// device_readstb, device_trigger, device_clear, device_remote, device_local,
// device_docmd on the interface's link (REN, IFC, LLO) and destroy_link. It
// announces maxRecvSize N (--max-recv, 128 by default, to make writes come in
// chunks), splits each reply record into fragments of N bytes (--fragment)
// and sends each in a write of its own, and answers a device_read with at
// most N bytes (--piece), with no reason while more remains. A device that
// is not on the bench is not accessible (error 3) to a write or an operation;
// a read from it times out (error 15). It prints "portmapper
// PORT", "core PORT" and "control PORT"; the control port takes one command
// a line and answers "ok" (or the record):
//   error N     answer the next core call with Device_ErrorCode N
//   stall       answer no core call until normal
//   drop        close each connection when its next call comes, unanswered
//   normal      none of these
//   take        the calls since the last take, one a line with its link,
//               flags and sizes ("device_write lid=1 flags=8 size=6")
#include "simbus/bench.h"
#include "simbus/sim_bus.h"
#include "vxi11/core_channel.h"
#include "vxi11/onc_rpc.h"
#include "vxi11/portmapper.h"
#include "vxi11/xdr.h"
#include "simulator_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char kInterface[] = "gpib0";
const uint32_t kAccepted = 0;
const uint32_t kProgramUnavailable = 1;
const uint32_t kProcedureUnavailable = 3;
const uint32_t kGarbageArguments = 4;
const size_t kMaxRecord = 16 * 1024 * 1024;

struct Options {
    const char* bench = nullptr;
    const char* record = nullptr;
    const char* ports = nullptr;
    int portmapperPort = 0;
    uint32_t maxRecv = 128;
    size_t fragment = 0x7FFFFFFF;
    size_t piece = 0;
};

struct LinkTarget {
    int primary = -1; // -1: the interface
    int secondary = GPIB_NO_SECONDARY;
};

// A call's answer: the accept status and, when accepted, the results.
struct Answer {
    uint32_t acceptStat = kAccepted;
    std::string results;
};

class Gateway {
public:
    Gateway(const Bench& bench, const Options& options) : bus_(bench), options_(options) {}

    void SetCorePort(int port) { corePort_ = port; }

    // One core channel call; false when the connection is to be dropped.
    bool Core(uint32_t procedure, const std::string& arguments, Answer& answer)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        resumed_.wait(lock, [this] { return !stalled_; });
        if (dropping_)
            return false;
        int32_t injected = injected_;
        injected_ = 0;
        XdrReader in(arguments);
        XdrWriter out;
        if (!Serve(procedure, in, out, injected, answer.acceptStat))
            return true;
        answer.results = out.Bytes();
        return true;
    }

    Answer Portmapper(uint32_t procedure, const std::string& arguments)
    {
        Answer answer;
        XdrReader in(arguments);
        uint32_t program = 0, version = 0, protocol = 0, port = 0;
        if (procedure == 0)
            return answer;
        if (procedure != kPortmapperGetPort) {
            answer.acceptStat = kProcedureUnavailable;
            return answer;
        }
        if (!in.U32(program) || !in.U32(version) || !in.U32(protocol) || !in.U32(port) || !in.AtEnd()) {
            answer.acceptStat = kGarbageArguments;
            return answer;
        }
        XdrWriter out;
        bool core = program == kCoreProgram && version == kCoreVersion && protocol == kProtocolTcp;
        out.U32(core ? static_cast<uint32_t>(corePort_) : 0);
        answer.results = out.Bytes();
        std::lock_guard<std::mutex> lock(mutex_);
        Record("getport program=" + std::to_string(program) + " version=" + std::to_string(version));
        return answer;
    }

    std::string Control(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (line.compare(0, 6, "error ") == 0) {
            injected_ = std::atoi(line.c_str() + 6);
        } else if (line == "stall") {
            stalled_ = true;
        } else if (line == "drop") {
            dropping_ = true;
        } else if (line == "normal") {
            stalled_ = false;
            dropping_ = false;
            injected_ = 0;
            resumed_.notify_all();
        } else if (line == "take") {
            std::string taken;
            taken.swap(record_);
            return std::to_string(taken.size()) + "\n" + taken;
        } else {
            return "unknown command\n";
        }
        return "ok\n";
    }

private:
    void Record(const std::string& line)
    {
        record_ += line + "\n";
        if (options_.record)
            std::ofstream(options_.record, std::ios::app) << line << "\n";
    }

    // "gpib0", "gpib0,PAD" or "gpib0,PAD,SAD".
    static bool ParseDevice(const std::string& device, LinkTarget& target)
    {
        if (device == kInterface)
            return true;
        const std::string prefix = std::string(kInterface) + ",";
        if (device.compare(0, prefix.size(), prefix) != 0)
            return false;
        int primary = -1, secondary = -1;
        char extra = 0;
        int fields = std::sscanf(device.c_str() + prefix.size(), "%d,%d%c", &primary, &secondary, &extra);
        if (fields < 1 || fields > 2 || primary < 0 || primary > 30 || (fields == 2 && (secondary < 0 || secondary > 30)))
            return false;
        target.primary = primary;
        target.secondary = fields == 2 ? secondary : GPIB_NO_SECONDARY;
        return true;
    }

    // Serves one call into `out`; false with the accept status for a call it cannot take.
    bool Serve(uint32_t procedure, XdrReader& in, XdrWriter& out, int32_t injected, uint32_t& acceptStat)
    {
        int32_t lid = 0;
        uint32_t a = 0, b = 0, c = 0, d = 0;
        std::string data;
        auto garbage = [&] {
            acceptStat = kGarbageArguments;
            return false;
        };
        switch (procedure) {
        case kCreateLink: {
            int32_t clientId = 0;
            if (!in.I32(clientId) || !in.U32(a) || !in.U32(b) || !in.Opaque(data, 256) || !in.AtEnd())
                return garbage();
            LinkTarget target;
            int32_t error = injected ? injected : ParseDevice(data, target) ? 0 : kVxiInvalidAddress;
            int32_t made = error ? 0 : nextLid_++;
            if (!error)
                links_[made] = target;
            Record("create_link " + data + " lid=" + std::to_string(made) + " error=" + std::to_string(error));
            out.I32(error);
            out.I32(made);
            out.U32(0);
            out.U32(options_.maxRecv);
            return true;
        }
        case kDeviceWrite: {
            if (!in.I32(lid) || !in.U32(a) || !in.U32(b) || !in.U32(c) || !in.Opaque(data, kMaxRecord) || !in.AtEnd())
                return garbage();
            Record("device_write lid=" + std::to_string(lid) + " flags=" + std::to_string(c) +
                   " size=" + std::to_string(data.size()) + " io=" + std::to_string(a));
            int32_t error = LinkError(lid, injected);
            if (!error && data.size() > options_.maxRecv)
                error = kVxiParameterError;
            const LinkTarget& target = links_[lid];
            if (!error && !bus_.Write(target.primary, target.secondary, data.data(), data.size(), (c & kFlagEnd) != 0))
                error = kVxiNotAccessible;
            out.I32(error);
            out.U32(error ? 0 : static_cast<uint32_t>(data.size()));
            return true;
        }
        case kDeviceRead: {
            uint32_t requestSize = 0, ioTimeout = 0, lockTimeout = 0, flags = 0, termChar = 0;
            if (!in.I32(lid) || !in.U32(requestSize) || !in.U32(ioTimeout) || !in.U32(lockTimeout) || !in.U32(flags) ||
                !in.U32(termChar) || !in.AtEnd())
                return garbage();
            Record("device_read lid=" + std::to_string(lid) + " flags=" + std::to_string(flags) +
                   " size=" + std::to_string(requestSize) + " term=" + std::to_string(termChar) +
                   " io=" + std::to_string(ioTimeout));
            return Read(lid, requestSize, ioTimeout, flags, termChar, injected, out);
        }
        case kDeviceReadStb:
        case kDeviceTrigger:
        case kDeviceClear:
        case kDeviceRemote:
        case kDeviceLocal: {
            if (!in.I32(lid) || !in.U32(a) || !in.U32(b) || !in.U32(c) || !in.AtEnd())
                return garbage();
            Record(std::string(GenericName(procedure)) + " lid=" + std::to_string(lid) + " flags=" + std::to_string(a) +
                   " lock=" + std::to_string(b) + " io=" + std::to_string(c));
            Generic(procedure, lid, injected, out);
            return true;
        }
        case kDeviceDocmd: {
            int32_t command = 0, size = 0;
            if (!in.I32(lid) || !in.U32(a) || !in.U32(b) || !in.U32(c) || !in.I32(command) || !in.U32(d) ||
                !in.I32(size) || !in.Opaque(data, 64) || !in.AtEnd())
                return garbage();
            Record("device_docmd lid=" + std::to_string(lid) + " cmd=" + std::to_string(command) +
                   " size=" + std::to_string(data.size()));
            out.I32(Docmd(lid, command, data, injected));
            out.Opaque("", 0);
            return true;
        }
        case kDestroyLink: {
            if (!in.I32(lid) || !in.AtEnd())
                return garbage();
            int32_t error = LinkError(lid, injected);
            links_.erase(lid);
            Record("destroy_link lid=" + std::to_string(lid));
            out.I32(error);
            return true;
        }
        default:
            acceptStat = kProcedureUnavailable;
            return false;
        }
    }

    int32_t LinkError(int32_t lid, int32_t injected) const
    {
        if (injected)
            return injected;
        return links_.count(lid) ? 0 : kVxiInvalidLink;
    }

    static const char* GenericName(uint32_t procedure)
    {
        switch (procedure) {
        case kDeviceReadStb: return "device_readstb";
        case kDeviceTrigger: return "device_trigger";
        case kDeviceClear: return "device_clear";
        case kDeviceRemote: return "device_remote";
        default: return "device_local";
        }
    }

    bool Read(int32_t lid, uint32_t requestSize, uint32_t ioTimeout, uint32_t flags, uint32_t termChar,
              int32_t injected, XdrWriter& out)
    {
        int32_t error = LinkError(lid, injected);
        const LinkTarget target = links_[lid];
        size_t size = options_.piece && options_.piece < requestSize ? options_.piece : requestSize;
        std::vector<char> buffer(size);
        size_t count = 0;
        ReadEnd ended = ReadEnd::None;
        uint32_t reason = 0;
        // Nothing talks from an empty address: the read times out, as on a bus.
        if (!error) {
            int eos = flags & kFlagTermCharSet ? static_cast<int>(termChar & 0xFF) : -1;
            // A real-time bench waits here, and the bus is busy meanwhile, as a real one.
            bool done = bus_.Read(target.primary, target.secondary, buffer.data(), size, true, eos,
                                  static_cast<int>(ioTimeout), &count, &ended);
            if (!done)
                error = kVxiTimeout;
            else if (ended == ReadEnd::Eoi)
                reason = kReasonEnd;
            else if (ended == ReadEnd::EndOfString)
                reason = kReasonCharacter;
            else if (count == requestSize)
                reason = kReasonRequestCount;
        }
        out.I32(error);
        out.U32(reason);
        out.Opaque(buffer.data(), count);
        return true;
    }

    void Generic(uint32_t procedure, int32_t lid, int32_t injected, XdrWriter& out)
    {
        int32_t error = LinkError(lid, injected);
        const LinkTarget target = links_[lid];
        uint8_t statusByte = 0;
        if (!error) {
            bool done = true;
            switch (procedure) {
            case kDeviceReadStb: done = bus_.SerialPoll(target.primary, target.secondary, statusByte); break;
            case kDeviceTrigger: done = bus_.Trigger(target.primary, target.secondary); break;
            case kDeviceClear: done = bus_.Clear(target.primary, target.secondary); break;
            case kDeviceRemote: done = bus_.GoToRemote(target.primary, target.secondary); break;
            default: done = bus_.GoToLocal(target.primary, target.secondary); break;
            }
            if (!done)
                error = kVxiNotAccessible;
        }
        out.I32(error);
        if (procedure == kDeviceReadStb)
            out.U32(statusByte);
    }

    int32_t Docmd(int32_t lid, int32_t command, const std::string& data, int32_t injected)
    {
        int32_t error = LinkError(lid, injected);
        if (error)
            return error;
        if (links_[lid].primary >= 0)
            return kVxiNotSupported; // a device's link takes no bus commands
        switch (command) {
        case kDocmdRenControl:
            if (data.size() != 2)
                return kVxiParameterError;
            bus_.RemoteEnable(data[1] != 0, false);
            return kVxiNoError;
        case kDocmdIfcControl:
            return kVxiNoError;
        case 0x20000: // SEND_COMMAND: local lockout only
            if (data != std::string(1, '\x11'))
                return kVxiNotSupported;
            bus_.RemoteEnable(true, true);
            return kVxiNoError;
        default:
            return kVxiNotSupported;
        }
    }

    SimBus bus_;
    Options options_;
    int corePort_ = 0;
    std::mutex mutex_;
    std::condition_variable resumed_;
    std::map<int32_t, LinkTarget> links_;
    int32_t nextLid_ = 1;
    int32_t injected_ = 0;
    bool stalled_ = false;
    bool dropping_ = false;
    std::string record_;
};


// The reply record, sent a fragment at a time.
bool SendReply(int fd, uint32_t xid, const Answer& answer, size_t fragment)
{
    XdrWriter reply;
    reply.U32(xid);
    reply.U32(1);        // REPLY
    reply.U32(0);        // MSG_ACCEPTED
    reply.U32(0);        // AUTH_NULL verifier
    reply.U32(0);
    reply.U32(answer.acceptStat);
    std::string message = reply.Bytes() + (answer.acceptStat == kAccepted ? answer.results : std::string());
    std::string stream = RecordMarked(message, fragment);
    // A short reply goes a fragment a write, to come in pieces; a long one at once.
    if (stream.size() > 65536)
        return SendAll(fd, stream);
    for (size_t at = 0; at < stream.size(); at += fragment + 4) {
        if (!SendAll(fd, stream.substr(at, fragment + 4)))
            return false;
    }
    return true;
}

// Serves calls on one connection, to the core channel or the portmapper.
void ServeConnection(Gateway& gateway, int fd, bool core, size_t fragment)
{
    RecordReader reader(kMaxRecord + 1024);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        ssize_t count = recv(fd, buffer.data(), buffer.size(), 0);
        if (count <= 0)
            break;
        reader.Add(buffer.data(), static_cast<size_t>(count));
        std::string record;
        bool open = true;
        while (open && reader.TakeRecord(record)) {
            XdrReader call(record);
            uint32_t xid = 0, type = 0, rpcVersion = 0, program = 0, version = 0, procedure = 0, flavor = 0;
            std::string body;
            bool header = call.U32(xid) && call.U32(type) && type == 0 && call.U32(rpcVersion) && call.U32(program) &&
                          call.U32(version) && call.U32(procedure);
            for (int auth = 0; header && auth < 2; ++auth)
                header = call.U32(flavor) && call.Opaque(body, 400);
            if (!header) {
                open = false;
                break;
            }
            std::string arguments(record, call.Position(), std::string::npos);
            Answer answer;
            if (core && program == kCoreProgram && version == kCoreVersion) {
                open = gateway.Core(procedure, arguments, answer);
            } else if (!core && program == kPortmapperProgram && version == kPortmapperVersion) {
                answer = gateway.Portmapper(procedure, arguments);
            } else {
                answer.acceptStat = kProgramUnavailable;
            }
            open = open && SendReply(fd, xid, answer, fragment);
        }
        if (!open || reader.Failed())
            break;
    }
    close(fd);
}


void Accept(Gateway& gateway, int listener, bool core, size_t fragment)
{
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        // Fragments go in writes of their own, at once.
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread(ServeConnection, std::ref(gateway), fd, core, fragment).detach();
    }
}



} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value && option == "--bench")
            options.bench = value;
        else if (value && option == "--record")
            options.record = value;
        else if (value && option == "--ports")
            options.ports = value;
        else if (value && option == "--portmapper")
            options.portmapperPort = std::atoi(value);
        else if (value && option == "--max-recv")
            options.maxRecv = static_cast<uint32_t>(std::atol(value));
        else if (value && option == "--fragment")
            options.fragment = static_cast<size_t>(std::atol(value));
        else if (value && option == "--piece")
            options.piece = static_cast<size_t>(std::atol(value));
        else {
            std::fprintf(stderr,
                         "usage: %s [--bench FILE] [--record FILE] [--ports FILE] [--portmapper PORT] [--max-recv N] "
                         "[--fragment N] [--piece N]\n",
                         argv[0]);
            return 2;
        }
        ++i;
    }
    if (options.maxRecv < 1 || options.fragment < 1) {
        std::fprintf(stderr, "simulated gateway: --max-recv and --fragment take 1 or more\n");
        return 2;
    }
    Gateway gateway(ReadBenchOrExit(options.bench, "simulated gateway"), options);
    int portmapperPort = 0, corePort = 0, controlPort = 0;
    int portmapper = ListenOnLoopback(options.portmapperPort, &portmapperPort);
    int core = ListenOnLoopback(0, &corePort);
    int control = ListenOnLoopback(0, &controlPort);
    gateway.SetCorePort(corePort);
    std::string announce = "portmapper " + std::to_string(portmapperPort) + "\ncore " + std::to_string(corePort) +
                           "\ncontrol " + std::to_string(controlPort) + "\n";
    AnnouncePorts(options.ports, announce);
    std::thread(ServeControl, control, [&gateway](const std::string& line) { return gateway.Control(line); }).detach();
    std::thread(Accept, std::ref(gateway), portmapper, false, options.fragment).detach();
    Accept(gateway, core, true, options.fragment);
}
