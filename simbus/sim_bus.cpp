#include "simbus/sim_bus.h"

#include "text/text_compare.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

SimBus::SimBus(const Bench& bench) : realTime_(bench.realTime)
{
    for (const BenchEntry& entry : bench.entries)
        instruments_.emplace_back(entry);
}

Instrument* SimBus::Find(int primary, int secondary)
{
    for (Instrument& instrument : instruments_) {
        if (instrument.Entry().primary == primary && instrument.Entry().secondary == secondary)
            return &instrument;
    }
    return nullptr;
}

bool SimBus::Write(int primary, int secondary, const char* data, size_t count, bool end)
{
    Instrument* instrument = Find(primary, secondary);
    if (!instrument)
        return false;
    if (remoteEnable_)
        instrument->SetRemote(true);
    instrument->Listen(data, count, end);
    return true;
}

bool SimBus::Read(int primary, int secondary, char* buffer, size_t size, bool stopAtEnd, int eosChar, int timeoutMs,
                  size_t* count, ReadEnd* ended)
{
    *count = 0;
    if (ended)
        *ended = ReadEnd::None;
    if (Instrument* instrument = Find(primary, secondary)) {
        InstrumentOutput& output = instrument->Output();
        // A chunk at a time; END comes with the last byte of the whole output,
        // unless the instrument sends none.
        const bool sendsEnd = !instrument->Entry().noEnd;
        ReadStop stop;
        do {
            size_t available = 0;
            const char* data = output.Ready(available);
            stop = FindReadStop(data, available, size - *count, eosChar, stopAtEnd && sendsEnd && output.ReadyIsLast());
            if (stop.count)
                std::memcpy(buffer + *count, data, stop.count);
            output.Take(stop.count);
            *count += stop.count;
        } while (stop.ended == ReadEnd::None && output.Unsaid() > 0);
        if (ended)
            *ended = stop.ended;
        if (stop.ended != ReadEnd::None)
            return true;
    }
    if (realTime_ && timeoutMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return false;
}

void SimBus::DropUnsaid(int primary, int secondary)
{
    if (Instrument* instrument = Find(primary, secondary))
        instrument->Output().Clear();
}

bool SimBus::Clear(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    if (instrument)
        instrument->DeviceClear();
    return instrument != nullptr;
}

bool SimBus::Trigger(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    if (instrument)
        instrument->Trigger();
    return instrument != nullptr;
}

bool SimBus::SerialPoll(int primary, int secondary, uint8_t& statusByte)
{
    Instrument* instrument = Find(primary, secondary);
    if (instrument)
        statusByte = instrument->SerialPoll();
    return instrument != nullptr;
}

bool SimBus::Requesting(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    return instrument && instrument->Requesting();
}

bool SimBus::ServiceRequested()
{
    bool requested = false;
    for (Instrument& instrument : instruments_)
        requested = instrument.Requesting() || requested;
    return requested;
}

bool SimBus::GoToLocal(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    if (instrument)
        instrument->SetRemote(false);
    return instrument != nullptr;
}

bool SimBus::GoToRemote(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    remoteEnable_ = true;
    if (instrument)
        instrument->SetRemote(true);
    return instrument != nullptr;
}

void SimBus::RemoteEnable(bool enable, bool lockout)
{
    remoteEnable_ = enable;
    lockout_ = enable && (lockout || lockout_);
    if (!enable) {
        for (Instrument& instrument : instruments_)
            instrument.SetRemote(false);
    }
}

bool SimBus::Remote(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    return instrument && instrument->Remote();
}

bool SimBus::Present(int primary, int secondary)
{
    return Find(primary, secondary) != nullptr;
}

size_t SimBus::Unsaid(int primary, int secondary)
{
    Instrument* instrument = Find(primary, secondary);
    return instrument ? instrument->Output().Unsaid() : 0;
}

SimBus& BusOf(const std::string& interfaceName)
{
    static const Bench bench = LoadProcessBench();
    // A handful of interfaces: a list searched in order is quickest.
    static std::vector<std::pair<std::string, std::unique_ptr<SimBus>>> buses;
    for (auto& bus : buses) {
        if (EqualNoCase(bus.first, interfaceName))
            return *bus.second;
    }
    buses.emplace_back(interfaceName, std::unique_ptr<SimBus>(new SimBus(bench)));
    return *buses.back().second;
}
