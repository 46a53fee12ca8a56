#include "buslink/device_operations.h"

#include "buslink/transfers.h"

StepOutcome RunOperationStep(Connection& connection, DeviceOperation operation, unsigned long timeoutMs,
                             uint8_t& statusByte)
{
    switch (operation) {
    case DeviceOperation::Clear:
        return connection.Clear();
    case DeviceOperation::Trigger:
        return connection.Trigger();
    case DeviceOperation::SerialPoll:
        return connection.SerialPoll(statusByte);
    case DeviceOperation::WaitRequest:
        return connection.WaitRequest(timeoutMs, statusByte);
    case DeviceOperation::Local:
        break;
    }
    return connection.Local();
}

OperationTransfer RunDeviceOperation(char* address, DeviceOperation operation, unsigned long timeoutMs)
{
    Connection connection;
    bool opened = OpenByMatlabRule(connection, address, kTransferTimeoutMs).ok;
    return RunOpenedOperation(connection, opened, operation, timeoutMs);
}

OperationTransfer RunOpenedOperation(Connection& connection, bool opened, DeviceOperation operation,
                                     unsigned long timeoutMs)
{
    OperationTransfer transfer;
    if (!opened) {
        transfer.status = kOpenFailed;
        transfer.problem = "cannot open the instrument: " + connection.LastErrorText();
    }
    if (!RunOperationStep(connection, operation, timeoutMs, transfer.statusByte).ok) {
        transfer.status |= kTransferFailed;
        transfer.error = connection.LastError();
        if (transfer.problem.empty())
            transfer.problem = connection.LastErrorText();
    }
    transfer.status |= connection.Close().ok ? 0 : kCloseFailed;
    return transfer;
}
