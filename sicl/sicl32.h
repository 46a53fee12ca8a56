// The SICL instrument library (SICL32), as the MATLAB commands call it.
// Imported by ordinal; sicl/exports.txt lists the exports in ordinal order.
#pragma once

#ifdef _WIN32
#define SICL_CALL __stdcall
#else
#define SICL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Error numbers that SiclClose returns and the bus log shows.
enum {
    SICL_ERR_NONE = 0,
    SICL_ERR_BAD_ID = 1,       // not an open session
    SICL_ERR_BAD_ADDRESS = 2,  // not "hpib7,PRIMARY[,SECONDARY]" with addresses 0 to 30
    SICL_ERR_BAD_ARGUMENT = 3, // a time-out below 0 or a character outside 0 to 255
    SICL_ERR_BAD_FORMAT = 4,   // a conversion the formats do not offer
    SICL_ERR_NO_LISTENER = 5,  // nothing listens at the session's address
    SICL_ERR_TIMEOUT = 6       // the device did not answer in time
};

// SiclWaitRequest's time-out that never ends.
#define SICL_WAIT_FOREVER 0xFFFFFFFFul

// Opens a session to a device, "hpib7,22" or with a secondary address
// "hpib7,22,3": its id, or 0 on failure.
int SICL_CALL SiclOpen(const char* address);
// The session's time-out in milliseconds: 0, or an error number.
int SICL_CALL SiclTimeout(int id, long timeoutMs);
// The character that ends a read besides END, -1 for none: 0, or an error number.
int SICL_CALL SiclTermChar(int id, int termChar);
// Formatted write. The format offers %s, %d, %c and %%; each line feed that
// the format itself holds goes with END. 1 on success, 0 on failure.
int SiclPrintf(int id, const char* format, ...);
// Formatted write, then formatted read into the argument after those written.
// The read format is %t or %Nt: characters up to and including the one with
// END or the termination character, at most N (65536 without N), then a NUL.
// The rest of the answer is dropped; a read that ends otherwise fails and
// leaves the argument as it was. 1 on success, 0 on failure.
int SiclPromptf(int id, const char* writeFormat, const char* readFormat, ...);
// Why a read ended (SiclRead's `reason`, bits).
enum {
    SICL_TERM_MAXCNT = 1, // the buffer filled
    SICL_TERM_CHR = 2,    // after the termination character
    SICL_TERM_END = 4     // the last byte came with END
};

// Reads at most `size` bytes as they come: the read ends with END, after the
// termination character, or with the buffer full. `count` gets the bytes
// read, also what arrived before a time-out, `reason` why the read ended (0
// on failure). 0, or an error number.
int SICL_CALL SiclRead(int id, char* buffer, unsigned long size, int* reason, unsigned long* count);
// Sends `count` bytes as they are, the last with END when `end` is 1; `sent`
// gets the bytes sent. 0, or an error number.
int SICL_CALL SiclWrite(int id, const char* data, unsigned long count, int end, unsigned long* sent);
// The operations beyond writes and reads, exported by name too (programs
// find them at run time): 0, or an error number.
// Device clear: the device drops its unread output and what it was taking in.
int SICL_CALL SiclClear(int id);
// Group execute trigger.
int SICL_CALL SiclTrigger(int id);
// Serial poll: `statusByte` gets the status byte; the poll clears the
// device's service request.
int SICL_CALL SiclReadStb(int id, unsigned char* statusByte);
// Go to local, and to remote.
int SICL_CALL SiclLocal(int id);
int SICL_CALL SiclRemote(int id);
// Waits for the device to request service, then polls it into
// `statusByte`. A time-out of 0 looks once; SICL_WAIT_FOREVER never ends.
int SICL_CALL SiclWaitRequest(int id, unsigned long timeoutMs, unsigned char* statusByte);
// Closes a session: 0, or an error number.
int SICL_CALL SiclClose(int id);
// Closes every session of the process: 0.
int SICL_CALL SiclCleanup(void);

#ifdef __cplusplus
}
#endif
