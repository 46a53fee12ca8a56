#include "drovane/gateway_backend.h"

#include "vxi11/gateway_registry.h"

#include <mutex>

namespace {

const uint8_t kRequestBit = 0x40;
// Interface calls wait this long: they address the bus, not a device.
const int kInterfaceTimeoutMs = 3000;

int ErrorOf(GatewayResult result)
{
    switch (result) {
    case GatewayResult::Done: return DRV_ERR_NONE;
    case GatewayResult::NoListener: return DRV_ERR_NO_LISTENER;
    case GatewayResult::TimedOut: return DRV_ERR_TIMEOUT;
    case GatewayResult::IoError: return DRV_ERR_IO;
    case GatewayResult::Locked: return DRV_ERR_BUSY;
    case GatewayResult::NotSupported: return DRV_ERR_NOT_SUPPORTED;
    case GatewayResult::Unreachable: break;
    }
    // The gateway is the interface's board: it is not there.
    return DRV_ERR_NO_BOARD;
}

// Counts itself among the gateway's open devices while it lives.
class GatewayUser {
protected:
    explicit GatewayUser(SharedGateway& gateway) : gateway_(gateway)
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        ++gateway_.openDevices;
    }

    ~GatewayUser()
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        if (--gateway_.openDevices == 0)
            gateway_.session.Close();
    }

    SharedGateway& gateway_;
};

class GatewayDevice : public DeviceBackend, private GatewayUser {
public:
    GatewayDevice(SharedGateway& gateway, const DeviceSettings& settings) : GatewayUser(gateway), settings_(settings)
    {
    }

    int Write(const char* data, size_t count, bool end, bool binary) override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        // END also with each output end-of-string character, as on a board.
        const DrvTermRecord term = OutputRecord(settings_, binary);
        EndOfStringSplitter splitter(data, count, EosOf(term), end && term.eoi);
        MessagePart part;
        while (splitter.Next(part)) {
            int error = ErrorOf(Session().Write(primary(), secondary(), data + part.offset, part.count, part.end,
                                                timeout()));
            if (error != DRV_ERR_NONE)
                return error;
        }
        return DRV_ERR_NONE;
    }

    int Read(char* buffer, size_t size, size_t* count, ReadEnd* ended) override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        const DrvTermRecord& term = settings_.termIn;
        return ErrorOf(Session().Read(primary(), secondary(), buffer, size, EosOf(term), timeout(), count, ended));
    }

    int Clear() override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(Session().Clear(primary(), secondary(), timeout()));
    }

    int Trigger() override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(Session().Trigger(primary(), secondary(), timeout()));
    }

    int Local() override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(Session().Local(primary(), secondary(), timeout()));
    }

    int SerialPoll(uint8_t* statusByte) override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(Session().SerialPoll(primary(), secondary(), timeout(), *statusByte));
    }

    // A poll each look: the gateway's SRQ line would need its interrupt channel.
    int LookForRequest(bool* requested, uint8_t* statusByte) override
    {
        int error = SerialPoll(statusByte);
        *requested = error == DRV_ERR_NONE && (*statusByte & kRequestBit);
        return error;
    }

private:
    GatewaySession& Session() { return gateway_.session; }
    int primary() const { return settings_.primary; }
    int secondary() const { return settings_.secondary; }
    int timeout() const { return settings_.timeoutMs; }

    DeviceSettings settings_;
};

class GatewayInterface : public BusBackend, private GatewayUser {
public:
    explicit GatewayInterface(SharedGateway& gateway) : GatewayUser(gateway) {}

    int RemoteEnable(bool enable, bool lockout) override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(gateway_.session.RemoteEnable(enable, lockout, kInterfaceTimeoutMs));
    }

    int InterfaceClear() override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(gateway_.session.InterfaceClear(kInterfaceTimeoutMs));
    }

    int FindListener(int primary, int secondary, int timeoutMs, bool* listens) override
    {
        std::lock_guard<std::mutex> lock(gateway_.lock);
        return ErrorOf(gateway_.session.FindListener(primary, secondary, timeoutMs, *listens));
    }
};

} // namespace

std::shared_ptr<DeviceBackend> OpenGatewayDevice(const std::string& url, const AdapterAddress& address,
                                                 const DeviceSettings& settings)
{
    return std::make_shared<GatewayDevice>(SharedGatewayFor(url, address), settings);
}

std::shared_ptr<BusBackend> OpenGatewayInterface(const std::string& url, const AdapterAddress& address)
{
    return std::make_shared<GatewayInterface>(SharedGatewayFor(url, address));
}

bool ProbeGateway(const AdapterAddress& address, int timeoutMs, std::string& answer)
{
    GatewaySession session(address);
    return session.Probe(timeoutMs, answer) == GatewayResult::Done;
}
