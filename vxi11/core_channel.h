// The VXI-11 core channel (program 0x0607AF version 1): the arguments and
// results of each call, in XDR. Device_GenericParms has its fields in an
// order of its own: lid, flags, lock_timeout, io_timeout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

const uint32_t kCoreProgram = 0x0607AF;
const uint32_t kCoreVersion = 1;

enum CoreProcedure : uint32_t {
    kCreateLink = 10,
    kDeviceWrite = 11,
    kDeviceRead = 12,
    kDeviceReadStb = 13,
    kDeviceTrigger = 14,
    kDeviceClear = 15,
    kDeviceRemote = 16,
    kDeviceLocal = 17,
    kDeviceDocmd = 22,
    kDestroyLink = 23
};

// Device_Flags.
enum : uint32_t { kFlagWaitLock = 1, kFlagEnd = 8, kFlagTermCharSet = 128 };
// device_read's reasons.
enum : uint32_t { kReasonRequestCount = 1, kReasonCharacter = 2, kReasonEnd = 4 };
// device_docmd's commands for a GPIB interface (VXI-11.2).
enum : int32_t { kDocmdRenControl = 0x20003, kDocmdIfcControl = 0x20010 };

// Device_ErrorCode values.
enum : int32_t {
    kVxiNoError = 0,
    kVxiSyntaxError = 1,
    kVxiNotAccessible = 3,
    kVxiInvalidLink = 4,
    kVxiParameterError = 5,
    kVxiNotSupported = 8,
    kVxiOutOfResources = 9,
    kVxiLocked = 11,
    kVxiNoLock = 12,
    kVxiTimeout = 15,
    kVxiIoError = 17,
    kVxiInvalidAddress = 21,
    kVxiAbort = 23
};

struct CreateLinkReply {
    int32_t error = 0;
    int32_t lid = 0;
    uint32_t abortPort = 0;
    uint32_t maxRecvSize = 0;
};
struct WriteReply {
    int32_t error = 0;
    uint32_t size = 0;
};
struct ReadReply {
    int32_t error = 0;
    uint32_t reason = 0;
    std::string data;
};
struct StatusByteReply {
    int32_t error = 0;
    uint8_t stb = 0;
};
struct DocmdReply {
    int32_t error = 0;
    std::string data;
};

std::string EncodeCreateLink(int32_t clientId, bool lockDevice, uint32_t lockTimeout, const std::string& device);
std::string EncodeDeviceWrite(int32_t lid, uint32_t ioTimeout, uint32_t lockTimeout, uint32_t flags, const char* data,
                              size_t count);
std::string EncodeDeviceRead(int32_t lid, uint32_t requestSize, uint32_t ioTimeout, uint32_t lockTimeout,
                             uint32_t flags, uint8_t termChar);
// readstb, trigger, clear, remote, local.
std::string EncodeGeneric(int32_t lid, uint32_t flags, uint32_t lockTimeout, uint32_t ioTimeout);
std::string EncodeDocmd(int32_t lid, uint32_t flags, uint32_t ioTimeout, uint32_t lockTimeout, int32_t command,
                        bool networkOrder, int32_t dataSize, const std::string& dataIn);
std::string EncodeLink(int32_t lid);

// Each decoder takes exactly its result; false for anything else. A read's
// data is at most `limit` bytes.
bool DecodeCreateLink(const std::string& results, CreateLinkReply& reply);
bool DecodeDeviceWrite(const std::string& results, WriteReply& reply);
bool DecodeDeviceRead(const std::string& results, size_t limit, ReadReply& reply);
bool DecodeReadStb(const std::string& results, StatusByteReply& reply);
bool DecodeDocmd(const std::string& results, size_t limit, DocmdReply& reply);
// Device_Error: trigger, clear, remote, local, destroy_link.
bool DecodeError(const std::string& results, int32_t& error);
