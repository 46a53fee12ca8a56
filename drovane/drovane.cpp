// The bus driver library on the simulated bus: interfaces are resolved from
// the bus configuration, devices are the instruments of simbus, or of the
// "++" GPIB adapter that the interface names (drovane/device_backend.h).
// Every call is written to the bus log (simbus/trace.h). The library's lock
// guards the handle table and the errors only; a device's I/O runs outside
// it, so a slow device never holds up another handle's calls.
#include "drovane/drovane.h"

#include "config/os_family.h"
#include "drovane/device_backend.h"
#include "drovane/interface_lookup.h"
#include "simbus/trace.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Handle {
    bool open = false;
    std::string busName;
    // A device's backend; none for an interface.
    std::shared_ptr<DeviceBackend> device;
    int lastError = DRV_ERR_NONE;
};

struct Library {
    Library() { LoadOsVersion(); }

    std::mutex mutex;
    // By number; the slot of a closed handle goes to the next one opened.
    std::vector<Handle> handles;
    int lastError = DRV_ERR_NONE;
};

Library g_library;
// The error of this thread's call in progress, for the log.
thread_local int t_callError = DRV_ERR_NONE;

using TableLock = std::lock_guard<std::mutex>;

// Records a failure of the call, also as the handle's last error; returns -1.
// The table's lock is held.
int Fail(int error, Handle* handle = nullptr)
{
    g_library.lastError = error;
    t_callError = error;
    if (handle)
        handle->lastError = error;
    return -1;
}

Handle* Find(int number)
{
    if (number < 0 || static_cast<size_t>(number) >= g_library.handles.size())
        return nullptr;
    Handle& handle = g_library.handles[static_cast<size_t>(number)];
    return handle.open ? &handle : nullptr;
}

int AddHandle(Handle&& handle)
{
    std::vector<Handle>& handles = g_library.handles;
    size_t number = 0;
    while (number < handles.size() && handles[number].open)
        ++number;
    handle.open = true;
    if (number == handles.size())
        handles.push_back(std::move(handle));
    else
        handles[number] = std::move(handle);
    return static_cast<int>(number);
}

bool ValidSecondary(int secondary)
{
    return secondary == DRV_NO_SECONDARY || (secondary >= 0 && secondary <= DRV_MAX_ADDRESS);
}

// Starts a call: clears the call's error.
class Call {
public:
    Call() { t_callError = DRV_ERR_NONE; }

    // Logs "name(arguments) = result", with the error of a failed call.
    template <typename Result> Result Log(const std::string& call, Result result) const
    {
        std::string line = call + " = " + std::to_string(result);
        if (t_callError != DRV_ERR_NONE)
            line += " error " + std::to_string(t_callError);
        TraceLine(line);
        return result;
    }
};

std::string RecordText(const DrvTermRecord* record)
{
    if (!record)
        return "null";
    return "{" + std::to_string(record->eoi) + " " + std::to_string(record->eosEnabled) + " " +
           std::to_string(record->eosChar) + "}";
}

int OpenName(const char* name)
{
    TableLock table(g_library.mutex);
    std::string busName;
    std::string adapter;
    int error = name ? LookUpInterface(name, busName, adapter) : DRV_ERR_UNKNOWN_NAME;
    if (error != DRV_ERR_NONE)
        return Fail(error);
    for (const Handle& open : g_library.handles) {
        if (open.open && !open.device && open.busName == busName)
            return Fail(DRV_ERR_ALREADY_OPEN);
    }
    Handle handle;
    handle.busName = busName;
    return AddHandle(std::move(handle));
}

int OpenDevice(const char* interfaceName, uint8_t primary, int secondary, const DrvTermRecord* termIn,
               const DrvTermRecord* termOut, int timeoutMs)
{
    TableLock table(g_library.mutex);
    Handle handle;
    std::string adapter;
    int error = interfaceName ? LookUpInterface(interfaceName, handle.busName, adapter) : DRV_ERR_UNKNOWN_NAME;
    if (error != DRV_ERR_NONE)
        return Fail(error);
    if (primary > DRV_MAX_ADDRESS || !ValidSecondary(secondary) || !termIn || !termOut)
        return Fail(DRV_ERR_BAD_ARGUMENT);
    DeviceSettings settings;
    settings.primary = primary;
    settings.secondary = secondary;
    settings.termIn = *termIn;
    settings.termOut = *termOut;
    settings.timeoutMs = timeoutMs;
    handle.device = OpenDeviceBackend(handle.busName, adapter, settings);
    return AddHandle(std::move(handle));
}

// The backend of an open device handle, checked as a call on it begins;
// null after recording the failure.
std::shared_ptr<DeviceBackend> DeviceFor(int number, bool argumentsValid)
{
    TableLock table(g_library.mutex);
    Handle* handle = Find(number);
    if (!handle || !handle->device) {
        Fail(DRV_ERR_BAD_HANDLE);
        return nullptr;
    }
    if (!argumentsValid) {
        Fail(DRV_ERR_BAD_ARGUMENT, handle);
        return nullptr;
    }
    return handle->device;
}

// Records the outcome of a device's I/O: a failure becomes the library's and
// the handle's last error, unless the handle was closed meanwhile.
bool Record(int number, const std::shared_ptr<DeviceBackend>& device, int error)
{
    if (error == DRV_ERR_NONE)
        return true;
    TableLock table(g_library.mutex);
    Handle* handle = Find(number);
    Fail(error, handle && handle->device == device ? handle : nullptr);
    return false;
}

long Write(int number, const char* data, unsigned long count, int eoi)
{
    std::shared_ptr<DeviceBackend> device = DeviceFor(number, data || !count);
    if (!device)
        return -1;
    if (!Record(number, device, device->Write(data, count, eoi == 1)))
        return -1;
    return static_cast<long>(count);
}

long Read(int number, char* buffer, unsigned long size)
{
    std::shared_ptr<DeviceBackend> device = DeviceFor(number, buffer || !size);
    if (!device)
        return -1;
    size_t count = 0;
    if (!Record(number, device, device->Read(buffer, size, &count)))
        return -1;
    return static_cast<long>(count);
}

} // namespace

int DROVANE_CALL DrvPrepare(int handle, int flags)
{
    Call call;
    int result = 0;
    TableLock table(g_library.mutex);
    if (handle == -1) {
        g_library.lastError = DRV_ERR_NONE;
    } else if (Handle* found = Find(handle)) {
        found->lastError = DRV_ERR_NONE;
    } else {
        result = Fail(DRV_ERR_BAD_HANDLE);
    }
    if (!TraceEnabled())
        return result;
    return call.Log("DrvPrepare(" + std::to_string(handle) + ", " + std::to_string(flags) + ")", result);
}

int DROVANE_CALL DrvOpenName(const char* name)
{
    Call call;
    int result = OpenName(name);
    if (!TraceEnabled())
        return result;
    return call.Log("DrvOpenName(" + Quoted(name) + ")", result);
}

int DROVANE_CALL DrvClose(int handle)
{
    Call call;
    int result = 0;
    {
        TableLock table(g_library.mutex);
        Handle* found = Find(handle);
        if (found) {
            found->open = false;
            found->device.reset();
        } else {
            result = Fail(DRV_ERR_BAD_HANDLE);
        }
    }
    if (!TraceEnabled())
        return result;
    return call.Log("DrvClose(" + std::to_string(handle) + ")", result);
}

int DROVANE_CALL DrvLastError(int handle, int flags)
{
    Call call;
    TableLock table(g_library.mutex);
    int result = DRV_ERR_BAD_HANDLE;
    if (handle == -1)
        result = g_library.lastError;
    else if (const Handle* found = Find(handle))
        result = found->lastError;
    if (!TraceEnabled())
        return result;
    return call.Log("DrvLastError(" + std::to_string(handle) + ", " + std::to_string(flags) + ")", result);
}

int DROVANE_CALL DrvOpenDevice(const char* interfaceName, const char* deviceName, uint8_t primary, int secondary,
                               const DrvTermRecord* termIn, const DrvTermRecord* termOut, int timeoutMs)
{
    Call call;
    int result = OpenDevice(interfaceName, primary, secondary, termIn, termOut, timeoutMs);
    if (!TraceEnabled())
        return result;
    return call.Log("DrvOpenDevice(" + Quoted(interfaceName) + ", " + Quoted(deviceName) + ", " +
                        std::to_string(primary) + ", " + std::to_string(secondary) + ", " + RecordText(termIn) + ", " +
                        RecordText(termOut) + ", " + std::to_string(timeoutMs) + ")",
                    result);
}

long DROVANE_CALL DrvWrite(int handle, const char* data, unsigned long count, int eoi, int mode, int a, int b, int c)
{
    Call call;
    long result = Write(handle, data, count, eoi);
    if (!TraceEnabled())
        return result;
    std::string text = data ? Quoted(data, count) : "(null)";
    return call.Log("DrvWrite(" + std::to_string(handle) + ", " + text + ", " + std::to_string(count) + ", " +
                        std::to_string(eoi) + ", " + std::to_string(mode) + ", " + std::to_string(a) + ", " +
                        std::to_string(b) + ", " + std::to_string(c) + ")",
                    result);
}

long DROVANE_CALL DrvRead(int handle, char* buffer, unsigned long size, int mode, int a, int b, int c)
{
    Call call;
    long result = Read(handle, buffer, size);
    if (!TraceEnabled())
        return result;
    return call.Log("DrvRead(" + std::to_string(handle) + ", " + std::to_string(size) + ", " + std::to_string(mode) +
                        ", " + std::to_string(a) + ", " + std::to_string(b) + ", " + std::to_string(c) + ")",
                    result);
}
