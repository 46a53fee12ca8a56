// One open connection to an instrument, through the SICL library or the bus
// driver library. It holds the bytes of the last read, and each step says
// how it went: whether it worked, the bytes sent or read, and why a read
// ended. A step after a failed open is still made with the failed id or
// handle, as the MATLAB commands make it.
#pragma once

#include "drovane/driver_error_text.h"
#include "drovane/drovane.h"
#include "gpib/message_framing.h"
#include "sicl/sicl32.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct StepOutcome {
    bool ok = true;
    size_t count = 0;               // bytes sent or read (a failed read: what arrived)
    ReadEnd ended = ReadEnd::None;  // a read's end; None for the SICL library, which does not say
};

// The read call of the bus driver path, as DrvReadEnded.
using DeviceRead = int(DROVANE_CALL*)(int handle, char* buffer, unsigned long size, unsigned long* count,
                                      int* ended);
// DrvRead as the MATLAB commands call it, and nothing else of the library:
// it says nothing of why a read ended, and after a failure `count` is what
// arrived up to its first NUL.
int DROVANE_CALL MatlabRead(int handle, char* buffer, unsigned long size, unsigned long* count, int* ended);

// The read call of the SICL path, as SiclRead; none where only queries read.
using SiclDeviceRead = int(SICL_CALL*)(int id, char* buffer, unsigned long size, int* reason, unsigned long* count);

class Connection {
public:
    explicit Connection(DeviceRead read = DrvReadEnded, SiclDeviceRead siclRead = SiclRead)
        : read_(read), siclRead_(siclRead)
    {
    }

    // Before an open: the device's reads end with END only, not also at the
    // carriage return that ends the MATLAB commands' replies (binary replies).
    void EndReadsOnlyWithEnd() { binaryReads_ = true; }
    // A device of the SICL library by its address ("hpib7,22").
    StepOutcome OpenSicl(const char* address, long timeoutMs);
    // A device on a bus driver interface by its parts; secondary DRV_NO_SECONDARY is none.
    StepOutcome OpenDevice(const char* interfaceName, int primary, int secondary, long timeoutMs);
    // Sends the text: SICL with a line feed, the bus driver as it is.
    StepOutcome Send(const char* text);
    // Sends the text and reads a reply of at most `size` bytes (SICL: size - 1 characters).
    StepOutcome Query(const char* text, size_t size);
    // Sends the bytes as they are, the last with END when `end` (apart, in
    // connection_bytes.cpp: the MATLAB commands do not use it).
    StepOutcome SendBytes(const char* data, size_t count, bool end);
    // Reads at most `size` bytes; on the SICL path only with a SICL read call.
    StepOutcome Receive(size_t size);
    // Receive's bytes appended to `bytes` instead of held as the reply.
    StepOutcome ReceiveAppending(std::string& bytes, size_t size);
    // Closes (SICL: and cleans the library up).
    StepOutcome Close();

    // The operations beyond writes and reads, on the open device (apart, in
    // connection_operations.cpp). Their calls are found by name in the
    // library: a library without the call fails the step, and MissingCall
    // names it. `statusByte` gets the device's status byte.
    StepOutcome Clear();
    StepOutcome Trigger();
    StepOutcome SerialPoll(uint8_t& statusByte);
    // Waits for the device's service request, then polls it; a time-out of
    // DRV_WAIT_FOREVER never ends.
    StepOutcome WaitRequest(unsigned long timeoutMs, uint8_t& statusByte);
    StepOutcome Local();
    // The call the library lacked in the last step that failed for it, or empty.
    const std::string& MissingCall() const { return missing_; }

    // The bytes of the last read.
    const std::string& Reply() const { return reply_; }
    // The bus driver library's error number of the last failed step
    // (DRV_ERR_TIMEOUT, DRV_ERR_NO_LISTENER, ...); on the SICL path the
    // same numbers for an operation's failure, else 0.
    // Apart (connection_error.cpp): the MATLAB commands import no more of
    // the library than their own calls.
    int LastError() const;
    // LastError in words.
    std::string LastErrorText() const;
    bool IsSicl() const { return sicl_; }

private:
    // An operation's call, found by name in the library of the open device;
    // null, noted as missing, when the library lacks it.
    void* FindOperation(const char* siclName, const char* driverName);
    // An operation's outcome from its call's result: 0 or a SICL error number,
    // 0 or -1 from the bus driver library.
    StepOutcome Operated(int result);

    DeviceRead read_;
    SiclDeviceRead siclRead_;
    bool sicl_ = false;
    bool binaryReads_ = false;
    int id_ = 0;
    std::string reply_;
    std::string missing_;
    int siclError_ = 0; // an operation's, as a bus driver error number
};
