#include "buslink/connection.h"

#include "buslink/library_calls.h"
#include "drovane/drovane.h"
#include "sicl/sicl32.h"

namespace {

using DeviceCall = int(DROVANE_CALL*)(int handle);
using PollCall = int(DROVANE_CALL*)(int handle, uint8_t* statusByte);
using WaitCall = int(DROVANE_CALL*)(int handle, unsigned long timeoutMs, uint8_t* statusByte);
using SiclCall = int(SICL_CALL*)(int id);
using SiclPollCall = int(SICL_CALL*)(int id, unsigned char* statusByte);
using SiclWaitCall = int(SICL_CALL*)(int id, unsigned long timeoutMs, unsigned char* statusByte);

// The bus driver library's number for a SICL error of an operation.
int DriverError(int siclError)
{
    switch (siclError) {
    case SICL_ERR_NONE:
        return DRV_ERR_NONE;
    case SICL_ERR_NO_LISTENER:
        return DRV_ERR_NO_LISTENER;
    case SICL_ERR_TIMEOUT:
        return DRV_ERR_TIMEOUT;
    case SICL_ERR_BAD_ID:
        return DRV_ERR_BAD_HANDLE;
    }
    return DRV_ERR_BAD_ARGUMENT;
}

StepOutcome Missing()
{
    StepOutcome outcome;
    outcome.ok = false;
    return outcome;
}

} // namespace

void* Connection::FindOperation(const char* siclName, const char* driverName)
{
    missing_.clear();
    siclError_ = 0;
    void* call = sicl_ ? FindLibraryCall(CallLibrary::Sicl, siclName) : FindLibraryCall(CallLibrary::Driver, driverName);
    if (!call)
        missing_ = sicl_ ? siclName : driverName;
    return call;
}

StepOutcome Connection::Operated(int result)
{
    StepOutcome outcome;
    if (sicl_)
        siclError_ = DriverError(result);
    outcome.ok = result == 0;
    return outcome;
}

StepOutcome Connection::Clear()
{
    void* call = FindOperation("SiclClear", "DrvClear");
    if (!call)
        return Missing();
    return Operated(sicl_ ? reinterpret_cast<SiclCall>(call)(id_) : reinterpret_cast<DeviceCall>(call)(id_));
}

StepOutcome Connection::Trigger()
{
    void* call = FindOperation("SiclTrigger", "DrvTrigger");
    if (!call)
        return Missing();
    return Operated(sicl_ ? reinterpret_cast<SiclCall>(call)(id_) : reinterpret_cast<DeviceCall>(call)(id_));
}

StepOutcome Connection::Local()
{
    void* call = FindOperation("SiclLocal", "DrvLocal");
    if (!call)
        return Missing();
    return Operated(sicl_ ? reinterpret_cast<SiclCall>(call)(id_) : reinterpret_cast<DeviceCall>(call)(id_));
}

StepOutcome Connection::SerialPoll(uint8_t& statusByte)
{
    void* call = FindOperation("SiclReadStb", "DrvSerialPoll");
    if (!call)
        return Missing();
    return Operated(sicl_ ? reinterpret_cast<SiclPollCall>(call)(id_, &statusByte)
                          : reinterpret_cast<PollCall>(call)(id_, &statusByte));
}

StepOutcome Connection::WaitRequest(unsigned long timeoutMs, uint8_t& statusByte)
{
    void* call = FindOperation("SiclWaitRequest", "DrvWaitRequest");
    if (!call)
        return Missing();
    return Operated(sicl_ ? reinterpret_cast<SiclWaitCall>(call)(id_, timeoutMs, &statusByte)
                          : reinterpret_cast<WaitCall>(call)(id_, timeoutMs, &statusByte));
}
