#include "drovane/device_backend.h"

#include "adapter/adapter_session.h"
#include "simbus/sim_bus.h"

#include <map>
#include <mutex>

namespace {

// One lock per medium (a simulated bus, an adapter session), made on the
// first open of a device on it.
std::mutex& MediumLock(const void* medium)
{
    static std::map<const void*, std::unique_ptr<std::mutex>> locks;
    std::unique_ptr<std::mutex>& lock = locks[medium];
    if (!lock)
        lock.reset(new std::mutex);
    return *lock;
}

class SimulatedDevice : public DeviceBackend {
public:
    SimulatedDevice(SimBus& bus, const DeviceSettings& settings)
        : bus_(bus), lock_(MediumLock(&bus)), settings_(settings)
    {
    }

    int Write(const char* data, size_t count, bool end) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        const DrvTermRecord& term = settings_.termOut;
        // An enabled end-of-string character goes with END: it ends a message.
        size_t start = 0;
        for (size_t i = 0; term.eosEnabled && i < count; ++i) {
            if (static_cast<uint8_t>(data[i]) != term.eosChar)
                continue;
            if (!bus_.Write(settings_.primary, settings_.secondary, data + start, i + 1 - start, true))
                return DRV_ERR_NO_LISTENER;
            start = i + 1;
        }
        bool withEnd = end && term.eoi;
        if ((start < count || count == 0) &&
            !bus_.Write(settings_.primary, settings_.secondary, data + start, count - start, withEnd))
            return DRV_ERR_NO_LISTENER;
        return DRV_ERR_NONE;
    }

    int Read(char* buffer, size_t size, size_t* count) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        const DrvTermRecord& term = settings_.termIn;
        bool done = bus_.Read(settings_.primary, settings_.secondary, buffer, size, term.eoi != 0,
                              term.eosEnabled ? term.eosChar : -1, settings_.timeoutMs, count);
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
    AdapterDevice(AdapterSession& session, const DeviceSettings& settings)
        : session_(session), lock_(MediumLock(&session)), settings_(settings)
    {
    }

    int Write(const char* data, size_t count, bool end) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return ErrorOf(session_.Write(settings_.primary, settings_.secondary, data, count, end,
                                      AdapterSide(settings_.termOut), settings_.timeoutMs));
    }

    int Read(char* buffer, size_t size, size_t* count) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        return ErrorOf(session_.Read(settings_.primary, settings_.secondary, buffer, size,
                                     AdapterSide(settings_.termIn), settings_.timeoutMs, count));
    }

private:
    AdapterSession& session_;
    std::mutex& lock_;
    DeviceSettings settings_;
};

} // namespace

std::unique_ptr<DeviceBackend> OpenDeviceBackend(const std::string& busName, const std::string& adapter,
                                                 const DeviceSettings& settings)
{
    if (!adapter.empty())
        return std::unique_ptr<DeviceBackend>(new AdapterDevice(AdapterSessionFor(adapter), settings));
    return std::unique_ptr<DeviceBackend>(new SimulatedDevice(BusOf(busName), settings));
}
