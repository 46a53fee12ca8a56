// The operations of busclear, bustrigger, busspoll, buswaitsrq and buslocal:
// open by the MATLAB commands' address rule (buslink/transfers.h), run the
// operation, close; every step runs whatever the earlier ones returned, and
// the status has the bits of Transfer (the operation's failure is
// kTransferFailed). Apart from transfers.cpp: busquery and buswrite take in
// none of the operations' calls.
#pragma once

#include "buslink/connection.h"

#include <cstdint>
#include <string>

enum class DeviceOperation { Clear, Trigger, SerialPoll, WaitRequest, Local };

struct OperationTransfer {
    uint8_t status = 0;
    uint8_t statusByte = 0; // of a serial poll or a wait that ended with the request
    std::string problem;    // why a step failed, when one did
    int error = 0;          // the operation's error number (DRV_ERR_TIMEOUT, ...) when it failed
};

// `address` holds kAddressSize bytes and is changed as Transfer changes it;
// `timeoutMs` is a wait's (DRV_WAIT_FOREVER: no end).
OperationTransfer RunDeviceOperation(char* address, DeviceOperation operation, unsigned long timeoutMs = 0);
// The operation alone, on the open connection: `statusByte` gets a poll's.
StepOutcome RunOperationStep(Connection& connection, DeviceOperation operation, unsigned long timeoutMs,
                             uint8_t& statusByte);
// The steps after the open, whose outcome is `opened`: the operation, the close.
OperationTransfer RunOpenedOperation(Connection& connection, bool opened, DeviceOperation operation,
                                     unsigned long timeoutMs);
