// What carries a device's bytes, chosen once when the device opens: the
// simulated bus of its interface, or the "++" adapter the interface is bound
// to. The library's calls hold no lock during the I/O: a backend locks the
// medium it shares with other devices (one bus, one adapter) for each
// operation, so a slow device blocks only the devices of its own medium.
//
// A new backend is a class of its own here and a case of OpenDeviceBackend;
// a new operation is a virtual function, with DRV_ERR_ results as these.
#pragma once

#include "drovane/drovane.h"
#include "gpib/message_framing.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A device as its open gave it.
struct DeviceSettings {
    int primary = 0;
    int secondary = DRV_NO_SECONDARY;
    DrvTermRecord termIn = {};
    DrvTermRecord termOut = {};
    int timeoutMs = 0;
};

// The end-of-string character of a record, -1 when it is off.
int EosOf(const DrvTermRecord& record);
// The output record a write goes by: a binary write's asks for END and no character.
DrvTermRecord OutputRecord(const DeviceSettings& settings, bool binary);

class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;

    // Sends `count` bytes. With `end` and the output record asking for EOI
    // the last byte goes with END; a byte equal to an enabled output
    // end-of-string character ends a message, with END. A `binary` write
    // ignores the output record: END with the last byte when `end`, and
    // nowhere else. DRV_ERR_NONE when sent.
    virtual int Write(const char* data, size_t count, bool end, bool binary) = 0;
    // Reads at most `size` bytes; `count` gets what arrived, also on a
    // failure, and `ended` why the read ended. The read ends with END when
    // the input record asks for EOI, after an enabled end-of-string
    // character, or with the buffer full.
    virtual int Read(char* buffer, size_t size, size_t* count, ReadEnd* ended) = 0;
    // Device clear, group execute trigger, go to local.
    virtual int Clear() = 0;
    virtual int Trigger() = 0;
    virtual int Local() = 0;
    // Serial poll: `statusByte` gets the status byte.
    virtual int SerialPoll(uint8_t* statusByte) = 0;
    // One look for the device's service request, holding the medium only for
    // the look: `requested` when it requests service, then with its status
    // byte (the poll has cleared the request).
    virtual int LookForRequest(bool* requested, uint8_t* statusByte) = 0;
};

// Waits for the device's service request (DrvWaitRequest), looking for it
// every few milliseconds.
int WaitForRequest(DeviceBackend& device, unsigned long timeoutMs, uint8_t* statusByte);

// What carries an interface's own operations: its simulated bus or its adapter.
class BusBackend {
public:
    virtual ~BusBackend() = default;

    virtual int RemoteEnable(bool enable, bool lockout) = 0;
    virtual int InterfaceClear() = 0;
    // `listens` gets whether a device listens at the address.
    virtual int FindListener(int primary, int secondary, int timeoutMs, bool* listens) = 0;
};

// The backend of a device of the interface `busName`: the adapter at the URL
// `adapter`, or the simulated bus when it is empty. Called with the handle
// table locked: the registries of buses and adapters are not shared otherwise.
std::shared_ptr<DeviceBackend> OpenDeviceBackend(const std::string& busName, const std::string& adapter,
                                                 const DeviceSettings& settings);
// The backend of the interface `busName` itself; called as OpenDeviceBackend.
std::shared_ptr<BusBackend> OpenBusBackend(const std::string& busName, const std::string& adapter);
