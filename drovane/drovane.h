// The bus driver API library, as the system calls it. Imported by ordinal;
// drovane/exports.txt lists the exports in ordinal order. The operations
// from DrvClear on are exported by name too (plain names, also on i686):
// programs find them at run time, so that they still run on a library
// without them.
#pragma once

#include "gpib/bus_limits.h"

#include <stdint.h>

#ifdef _WIN32
#define DROVANE_CALL __stdcall
#else
#define DROVANE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Terminator settings of one direction of a device, 16 bytes.
typedef struct DrvTermRecord {
    int32_t eoi;          // 1: the last byte goes with EOI asserted / EOI ends a read
    int32_t reserved;
    int32_t eosEnabled;   // 1: the end-of-string character terminates
    uint8_t eosChar;      // the end-of-string character
    uint8_t padding[3];
} DrvTermRecord;

// Bus addresses: primary and secondary addresses are 0 to DRV_MAX_ADDRESS;
// DRV_NO_SECONDARY stands for a device without a secondary address.
enum { DRV_MAX_ADDRESS = GPIB_MAX_ADDRESS, DRV_NO_SECONDARY = GPIB_NO_SECONDARY };

// How a read ended (DrvReadEnded).
enum {
    DRV_END_NONE = 0, // it did not: the read failed
    DRV_END_EOI = 1,  // the last byte came with END
    DRV_END_EOS = 2,  // after the input end-of-string character
    DRV_END_FULL = 3  // the buffer filled first
};

// Error numbers of DrvLastError.
enum {
    DRV_ERR_NONE = 0,
    DRV_ERR_NO_LISTENER = 101,    // nothing answers at that address
    DRV_ERR_TIMEOUT = 103,        // the device did not answer in time
    DRV_ERR_BAD_ARGUMENT = 104,   // an address out of range or a missing buffer or record
    DRV_ERR_BAD_HANDLE = 105,     // not an open handle
    DRV_ERR_ALREADY_OPEN = 107,   // the interface is open already (usable)
    DRV_ERR_NO_BOARD = 109,       // the interface is configured but no board is present
    DRV_ERR_BUSY = 118,           // the interface is busy (usable)
    DRV_ERR_UNKNOWN_NAME = 120,   // no interface of that name
    DRV_ERR_NOT_SUPPORTED = 121,  // the interface's backend cannot do that
    DRV_ERR_IO = 122              // the interface's gateway reports an I/O error on the bus
};

// Status byte bits (DrvSerialPoll, DrvWaitRequest).
enum {
    DRV_STB_MAV = 0x10, // a message is available
    DRV_STB_ESB = 0x20, // an enabled standard event happened
    DRV_STB_RQS = 0x40  // the device requests service
};

// DrvWaitRequest's time-out that never ends.
#define DRV_WAIT_FOREVER 0xFFFFFFFFul

// Preparatory call before opening: clears the last error of the handle
// (-1: of the library). 0, or negative for a handle that is not open.
int DROVANE_CALL DrvPrepare(int handle, int flags);
// Opens an interface by its name: a handle (0 or more), or negative on failure.
// An interface is open by name once at a time.
int DROVANE_CALL DrvOpenName(const char* name);
// Closes an interface or device handle; negative on failure.
int DROVANE_CALL DrvClose(int handle);
// The error number of the last failed call (handle -1, flags 0: of the library).
int DROVANE_CALL DrvLastError(int handle, int flags);
// Opens a device on an interface: a handle, or -1 on failure. Primary and
// secondary addresses are 0 to DRV_MAX_ADDRESS; secondary DRV_NO_SECONDARY is none.
int DROVANE_CALL DrvOpenDevice(const char* interfaceName, const char* deviceName, uint8_t primary, int secondary,
                               const DrvTermRecord* termIn, const DrvTermRecord* termOut, int timeoutMs);
// Sends `count` bytes; the bytes sent, or negative on failure. With `eoi` 1
// and the device's output record asking for EOI, the last byte goes with END;
// a byte equal to an enabled output end-of-string character goes with END too.
// `mode` and a, b, c are reserved (the commands pass 1, 0, 0, 0).
long DROVANE_CALL DrvWrite(int handle, const char* data, unsigned long count, int eoi, int mode, int a, int b, int c);
// Reads up to `size` bytes; the bytes read, or negative on failure (a time-out
// leaves what arrived in the buffer). The read ends with END when the input
// record asks for EOI, after an enabled end-of-string character, or with the
// buffer full. `mode` and a, b, c are reserved (the commands pass 1, 0, 0, 0).
long DROVANE_CALL DrvRead(int handle, char* buffer, unsigned long size, int mode, int a, int b, int c);
// Reads as DrvRead does: 0, or negative on failure. `count` gets the bytes
// read, also what arrived before a time-out; `ended` how the read ended
// (DRV_END_EOI, DRV_END_EOS or DRV_END_FULL; DRV_END_NONE on failure).
int DROVANE_CALL DrvReadEnded(int handle, char* buffer, unsigned long size, unsigned long* count, int* ended);
// Sends `count` bytes as they are: no end-of-string character ends a message
// inside them, whatever the device's output record says, and with `end` 1 the
// last byte goes with END. The bytes sent, or negative on failure.
long DROVANE_CALL DrvWriteBinary(int handle, const char* data, unsigned long count, int end);
// Asks the adapter at `url` (an interface's "Adapter" value) who it is, over
// a connection of its own, closed at once: 1 when it answers, with its answer
// in `answer`; 0 when it does not, with why; -1 when `url` is no adapter
// address, with why (DrvLastError: DRV_ERR_BAD_ARGUMENT). `answer` holds
// `size` bytes and is always ended with NUL.
int DROVANE_CALL DrvProbeAdapter(const char* url, char* answer, unsigned long size, int timeoutMs);

// The operations beyond writes and reads. Each returns 0, or negative on
// failure with the error in DrvLastError (a device handle given for an
// interface or the reverse: DRV_ERR_BAD_HANDLE; what the backend cannot do:
// DRV_ERR_NOT_SUPPORTED). A device operation takes the device's time-out.

// Device clear: the device drops its unread output and what it was taking in.
int DROVANE_CALL DrvClear(int handle);
// Group execute trigger of the device.
int DROVANE_CALL DrvTrigger(int handle);
// Serial poll: `statusByte` gets the device's status byte. The poll clears
// the device's service request (DRV_STB_RQS).
int DROVANE_CALL DrvSerialPoll(int handle, uint8_t* statusByte);
// Waits for the device to request service, then polls it: `statusByte` gets
// its status byte. Ends within 50 ms of the request; a request of another
// device neither ends the wait nor is cleared by it. A time-out of 0 looks
// once; DRV_WAIT_FOREVER never ends the wait; otherwise DRV_ERR_TIMEOUT.
int DROVANE_CALL DrvWaitRequest(int handle, unsigned long timeoutMs, uint8_t* statusByte);
// Go to local: the device's front panel works again (also after a lockout).
int DROVANE_CALL DrvLocal(int handle);
// On an interface handle: remote enable asserted (`enable` 1) or released
// (0, which returns every device to local and ends a lockout); with
// `lockout` 1 and `enable` 1, local lockout of every device too.
int DROVANE_CALL DrvRemoteEnable(int handle, int enable, int lockout);
// On an interface handle: interface clear, which makes the interface
// controller in charge and unaddresses every device.
int DROVANE_CALL DrvInterfaceClear(int handle);
// On an interface handle: whether a device listens at the address (secondary
// DRV_NO_SECONDARY: none), within `timeoutMs`: 1 it does, 0 it does not,
// negative on failure. It leaves a device's service request in place.
int DROVANE_CALL DrvFindListener(int handle, int primary, int secondary, int timeoutMs);

// What a program can open, for listing it. `name` holds `size` bytes and is
// always ended with NUL; a missing argument fails with DRV_ERR_BAD_ARGUMENT.

// The interface at position `index` (from 0) of those that open by name: 1
// with its number in `number` (its node's: node 0000 is 0), 0 past the last,
// negative on failure. Without a configuration they are IEEE0 to IEEE3.
int DROVANE_CALL DrvInterfaceAt(int index, int* number, char* name, unsigned long size);
// The configured device at position `index` of interface `number`: 1 with
// its addresses (secondary DRV_NO_SECONDARY: none) and its name, 0 past the
// last, negative on failure (no interface has the number: DRV_ERR_UNKNOWN_NAME).
int DROVANE_CALL DrvDeviceAt(int number, int index, int* primary, int* secondary, char* name, unsigned long size);

#ifdef __cplusplus
}
#endif
