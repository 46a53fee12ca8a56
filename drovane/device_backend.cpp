#include "drovane/device_backend.h"

#include "adapter/adapter_registry.h"
#include "drovane/gateway_backend.h"
#include "simbus/sim_bus.h"

#include <chrono>
#include <mutex>
#include <thread>

int EosOf(const DrvTermRecord& record)
{
    return record.eosEnabled ? record.eosChar : -1;
}

DrvTermRecord OutputRecord(const DeviceSettings& settings, bool binary)
{
    DrvTermRecord record = settings.termOut;
    if (binary) {
        record.eoi = 1;
        record.eosEnabled = 0;
    }
    return record;
}

namespace {

class SimulatedDevice : public DeviceBackend {
public:
    SimulatedDevice(SimBus& bus, const DeviceSettings& settings) : bus_(bus), lock_(bus.Lock()), settings_(settings)
    {
    }

    int Write(const char* data, size_t count, bool end, bool binary) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        const DrvTermRecord term = OutputRecord(settings_, binary);
        EndOfStringSplitter splitter(data, count, EosOf(term), end && term.eoi);
        MessagePart part;
        while (splitter.Next(part)) {
            if (!bus_.Write(settings_.primary, settings_.secondary, data + part.offset, part.count, part.end))
                return DRV_ERR_NO_LISTENER;
        }
        return DRV_ERR_NONE;
    }

    int Read(char* buffer, size_t size, size_t* count, ReadEnd* ended) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        const DrvTermRecord& term = settings_.termIn;
        bool done = bus_.Read(settings_.primary, settings_.secondary, buffer, size, term.eoi != 0, EosOf(term),
                              settings_.timeoutMs, count, ended);
        return done ? DRV_ERR_NONE : DRV_ERR_TIMEOUT;
    }

    int Clear() override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return bus_.Clear(settings_.primary, settings_.secondary) ? DRV_ERR_NONE : DRV_ERR_NO_LISTENER;
    }

    int Trigger() override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return bus_.Trigger(settings_.primary, settings_.secondary) ? DRV_ERR_NONE : DRV_ERR_NO_LISTENER;
    }

    int Local() override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return bus_.GoToLocal(settings_.primary, settings_.secondary) ? DRV_ERR_NONE : DRV_ERR_NO_LISTENER;
    }

    int SerialPoll(uint8_t* statusByte) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return bus_.SerialPoll(settings_.primary, settings_.secondary, *statusByte) ? DRV_ERR_NONE
                                                                                    : DRV_ERR_NO_LISTENER;
    }

    int LookForRequest(bool* requested, uint8_t* statusByte) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!bus_.Present(settings_.primary, settings_.secondary))
            return DRV_ERR_NO_LISTENER;
        *requested = bus_.Requesting(settings_.primary, settings_.secondary);
        if (*requested)
            bus_.SerialPoll(settings_.primary, settings_.secondary, *statusByte);
        return DRV_ERR_NONE;
    }

private:
    SimBus& bus_;
    std::mutex& lock_;
    DeviceSettings settings_;
};

class SimulatedInterface : public BusBackend {
public:
    explicit SimulatedInterface(SimBus& bus) : bus_(bus), lock_(bus.Lock()) {}

    int RemoteEnable(bool enable, bool lockout) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        bus_.RemoteEnable(enable, lockout);
        return DRV_ERR_NONE;
    }

    // The simulated bus keeps no addressing, which is all that interface clear resets.
    int InterfaceClear() override { return DRV_ERR_NONE; }

    int FindListener(int primary, int secondary, int, bool* listens) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        *listens = bus_.Present(primary, secondary);
        return DRV_ERR_NONE;
    }

private:
    SimBus& bus_;
    std::mutex& lock_;
};

AdapterTerminator AdapterSide(const DrvTermRecord& record)
{
    AdapterTerminator side;
    side.eoi = record.eoi != 0;
    side.eosEnabled = record.eosEnabled != 0;
    side.eosChar = record.eosChar;
    return side;
}

int ErrorOf(AdapterResult result)
{
    switch (result) {
    case AdapterResult::Done:
        return DRV_ERR_NONE;
    case AdapterResult::NoListener:
        return DRV_ERR_NO_LISTENER;
    case AdapterResult::TimedOut:
        return DRV_ERR_TIMEOUT;
    case AdapterResult::NotSupported:
        return DRV_ERR_NOT_SUPPORTED;
    case AdapterResult::Unreachable:
        break;
    }
    // The adapter is the interface's board: it is not there.
    return DRV_ERR_NO_BOARD;
}

class AdapterDevice : public DeviceBackend {
public:
    AdapterDevice(SharedAdapter& adapter, const DeviceSettings& settings) : adapter_(adapter), settings_(settings)
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        ++adapter_.openDevices;
    }

    ~AdapterDevice() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        if (--adapter_.openDevices == 0)
            adapter_.session.Close();
    }

    int Write(const char* data, size_t count, bool end, bool binary) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.Write(settings_.primary, settings_.secondary, data, count, end,
                                              AdapterSide(OutputRecord(settings_, binary)), settings_.timeoutMs));
    }

    int Read(char* buffer, size_t size, size_t* count, ReadEnd* ended) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.Read(settings_.primary, settings_.secondary, buffer, size,
                                             AdapterSide(settings_.termIn), settings_.timeoutMs, count, ended));
    }

    int Clear() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.Clear(settings_.primary, settings_.secondary, settings_.timeoutMs));
    }

    int Trigger() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.Trigger(settings_.primary, settings_.secondary, settings_.timeoutMs));
    }

    int Local() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.Local(settings_.primary, settings_.secondary, settings_.timeoutMs));
    }

    int SerialPoll(uint8_t* statusByte) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(
            adapter_.session.SerialPoll(settings_.primary, settings_.secondary, settings_.timeoutMs, *statusByte));
    }

    int LookForRequest(bool* requested, uint8_t* statusByte) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.LookForRequest(settings_.primary, settings_.secondary, settings_.timeoutMs,
                                                       *requested, *statusByte));
    }

private:
    SharedAdapter& adapter_;
    DeviceSettings settings_;
};

// Interface operations take the adapter's longest time-out.
class AdapterInterface : public BusBackend {
public:
    explicit AdapterInterface(SharedAdapter& adapter) : adapter_(adapter)
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        ++adapter_.openDevices;
    }

    ~AdapterInterface() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        if (--adapter_.openDevices == 0)
            adapter_.session.Close();
    }

    int RemoteEnable(bool enable, bool lockout) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.RemoteEnable(enable, lockout, kMaxAdapterTimeoutMs));
    }

    int InterfaceClear() override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.InterfaceClear(kMaxAdapterTimeoutMs));
    }

    int FindListener(int primary, int secondary, int timeoutMs, bool* listens) override
    {
        std::lock_guard<std::mutex> lock(adapter_.lock);
        return ErrorOf(adapter_.session.FindListener(primary, secondary, timeoutMs, *listens));
    }

private:
    SharedAdapter& adapter_;
};

using Clock = std::chrono::steady_clock;
// How often a wait looks for the request: well within the 50 ms it may take.
const int kRequestLookMs = 5;

} // namespace

int WaitForRequest(DeviceBackend& device, unsigned long timeoutMs, uint8_t* statusByte)
{
    const bool forever = timeoutMs == DRV_WAIT_FOREVER;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
    for (;;) {
        bool requested = false;
        int error = device.LookForRequest(&requested, statusByte);
        if (error != DRV_ERR_NONE || requested)
            return error;
        if (!forever && Clock::now() >= deadline)
            return DRV_ERR_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(kRequestLookMs));
    }
}

namespace {

// Whether `url` names a gateway, with its parts in `address`.
bool IsGateway(const std::string& url, AdapterAddress& address)
{
    std::string problem;
    return ParseAdapterUrl(url, address, problem) && address.kind == AdapterAddress::Kind::Vxi11;
}

} // namespace

std::shared_ptr<DeviceBackend> OpenDeviceBackend(const std::string& busName, const std::string& adapter,
                                                 const DeviceSettings& settings)
{
    AdapterAddress gateway;
    if (IsGateway(adapter, gateway))
        return OpenGatewayDevice(adapter, gateway, settings);
    if (!adapter.empty())
        return std::make_shared<AdapterDevice>(SharedAdapterFor(adapter), settings);
    return std::make_shared<SimulatedDevice>(BusOf(busName), settings);
}

std::shared_ptr<BusBackend> OpenBusBackend(const std::string& busName, const std::string& adapter)
{
    AdapterAddress gateway;
    if (IsGateway(adapter, gateway))
        return OpenGatewayInterface(adapter, gateway);
    if (!adapter.empty())
        return std::make_shared<AdapterInterface>(SharedAdapterFor(adapter));
    return std::make_shared<SimulatedInterface>(BusOf(busName));
}
