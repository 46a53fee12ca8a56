#include "drovane/device_backend.h"

#include "adapter/adapter_registry.h"
#include "simbus/sim_bus.h"

#include <mutex>

namespace {

int EosOf(const DrvTermRecord& record)
{
    return record.eosEnabled ? record.eosChar : -1;
}

// The output record a write goes by: a binary write's asks for END and no character.
DrvTermRecord OutputRecord(const DeviceSettings& settings, bool binary)
{
    DrvTermRecord record = settings.termOut;
    if (binary) {
        record.eoi = 1;
        record.eosEnabled = 0;
    }
    return record;
}

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

private:
    SimBus& bus_;
    std::mutex& lock_;
    DeviceSettings settings_;
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

private:
    SharedAdapter& adapter_;
    DeviceSettings settings_;
};

} // namespace

std::shared_ptr<DeviceBackend> OpenDeviceBackend(const std::string& busName, const std::string& adapter,
                                                 const DeviceSettings& settings)
{
    if (!adapter.empty())
        return std::make_shared<AdapterDevice>(SharedAdapterFor(adapter), settings);
    return std::make_shared<SimulatedDevice>(BusOf(busName), settings);
}
