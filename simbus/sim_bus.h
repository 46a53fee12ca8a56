// A simulated IEEE 488 bus: the instruments of a bench at their addresses.
// The controller's calls succeed or fail at once; a read that finds nothing
// to read times out, waiting for its time-out only on a real-time bench.
#pragma once

#include "gpib/message_framing.h"
#include "simbus/bench.h"
#include "simbus/instrument.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class SimBus {
public:
    explicit SimBus(const Bench& bench);

    // Sends bytes to the instrument at the address, END with the last byte
    // when `end`; false when nothing listens there.
    bool Write(int primary, int secondary, const char* data, size_t count, bool end);
    // Reads at most `size` bytes of what the instrument at the address says.
    // The read ends after the byte that comes with END (when `stopAtEnd`),
    // after the byte `eosChar` (when not negative), or with the buffer full;
    // otherwise it times out and returns false. `count` gets the bytes read,
    // `ended` (when given) why the read ended.
    bool Read(int primary, int secondary, char* buffer, size_t size, bool stopAtEnd, int eosChar, int timeoutMs,
              size_t* count, ReadEnd* ended = nullptr);
    // Drops what the instrument at the address has not said yet.
    void DropUnsaid(int primary, int secondary);
    // Device clear of the instrument at the address (Instrument::DeviceClear);
    // false when nothing is there.
    bool Clear(int primary, int secondary);
    // Group execute trigger; false when nothing is there.
    bool Trigger(int primary, int secondary);
    // Serial poll: `statusByte` gets the status byte; false when nothing is there.
    bool SerialPoll(int primary, int secondary, uint8_t& statusByte);
    // Whether the instrument at the address requests service, and whether
    // any does (the SRQ line).
    bool Requesting(int primary, int secondary);
    bool ServiceRequested();
    // Go to local, and remote (remote enable asserted, the instrument
    // addressed to listen); false when nothing is there.
    bool GoToLocal(int primary, int secondary);
    bool GoToRemote(int primary, int secondary);
    // Remote enable: asserted, or released (every instrument goes to local
    // and a lockout ends); a lockout while asserted.
    void RemoteEnable(bool enable, bool lockout);
    bool Remote(int primary, int secondary);
    bool LockedOut() const { return lockout_; }
    // Whether an instrument is at the address, and how much it has still to say.
    bool Present(int primary, int secondary);
    size_t Unsaid(int primary, int secondary);
    bool RealTime() const { return realTime_; }
    // What a caller that shares the bus between threads holds for an operation.
    std::mutex& Lock() { return lock_; }

private:
    Instrument* Find(int primary, int secondary);

    std::vector<Instrument> instruments_;
    bool realTime_;
    // The controller asserts remote enable from the start.
    bool remoteEnable_ = true;
    bool lockout_ = false;
    std::mutex lock_;
};

// The bus behind an interface name (case-blind), made from the process's
// bench on first use.
SimBus& BusOf(const std::string& interfaceName);
