// The bus driver library on the simulated bus: interfaces are resolved from
// the bus configuration, devices are the instruments of simbus, or of the
// "++" GPIB adapter that the interface names. Every call is written to the
// bus log (simbus/trace.h).
#include "drovane/drovane.h"

#include "adapter/adapter_session.h"
#include "config/os_family.h"
#include "drovane/interface_lookup.h"
#include "simbus/sim_bus.h"
#include "simbus/trace.h"

#include <mutex>
#include <string>
#include <vector>

namespace {

struct Handle {
    bool open = false;
    bool isDevice = false;
    std::string busName;
    std::string adapter; // the adapter's URL; empty: the simulated bus
    SimBus* bus = nullptr; // a device's simulated bus
    int primary = 0;
    int secondary = DRV_NO_SECONDARY;
    DrvTermRecord termIn = {};
    DrvTermRecord termOut = {};
    int timeoutMs = 0;
    int lastError = DRV_ERR_NONE;
};

struct Library {
    Library() { LoadOsVersion(); }

    std::mutex mutex;
    // By number; the slot of a closed handle goes to the next one opened.
    std::vector<Handle> handles;
    int lastError = DRV_ERR_NONE;
    // The error of the call in progress, for the log.
    int callError = DRV_ERR_NONE;
};

Library g_library;

// Records a failure of the call, also as the handle's last error; returns -1.
int Fail(int error, Handle* handle = nullptr)
{
    g_library.lastError = error;
    g_library.callError = error;
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

Handle* FindDevice(int handle)
{
    Handle* found = Find(handle);
    return found && found->isDevice ? found : nullptr;
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

// Starts a call: takes the lock, clears the call's error.
class Call {
public:
    Call() : lock_(g_library.mutex) { g_library.callError = DRV_ERR_NONE; }

    // Logs "name(arguments) = result", with the error of a failed call.
    template <typename Result> Result Log(const std::string& call, Result result) const
    {
        std::string line = call + " = " + std::to_string(result);
        if (g_library.callError != DRV_ERR_NONE)
            line += " error " + std::to_string(g_library.callError);
        TraceLine(line);
        return result;
    }

private:
    std::lock_guard<std::mutex> lock_;
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
    std::string busName;
    std::string adapter;
    int error = name ? LookUpInterface(name, busName, adapter) : DRV_ERR_UNKNOWN_NAME;
    if (error != DRV_ERR_NONE)
        return Fail(error);
    for (const Handle& open : g_library.handles) {
        if (open.open && !open.isDevice && open.busName == busName)
            return Fail(DRV_ERR_ALREADY_OPEN);
    }
    Handle handle;
    handle.busName = busName;
    return AddHandle(std::move(handle));
}

int OpenDevice(const char* interfaceName, uint8_t primary, int secondary, const DrvTermRecord* termIn,
               const DrvTermRecord* termOut, int timeoutMs)
{
    Handle handle;
    int error = interfaceName ? LookUpInterface(interfaceName, handle.busName, handle.adapter) : DRV_ERR_UNKNOWN_NAME;
    if (error != DRV_ERR_NONE)
        return Fail(error);
    if (primary > DRV_MAX_ADDRESS || !ValidSecondary(secondary) || !termIn || !termOut)
        return Fail(DRV_ERR_BAD_ARGUMENT);
    handle.isDevice = true;
    handle.primary = primary;
    handle.secondary = secondary;
    handle.termIn = *termIn;
    handle.termOut = *termOut;
    handle.timeoutMs = timeoutMs;
    if (handle.adapter.empty())
        handle.bus = &BusOf(handle.busName);
    return AddHandle(std::move(handle));
}

AdapterTerminator AdapterSide(const DrvTermRecord& record)
{
    AdapterTerminator side;
    side.eoi = record.eoi != 0;
    side.eosEnabled = record.eosEnabled != 0;
    side.eosChar = record.eosChar;
    return side;
}

int ErrorOf(AdapterResult result)
{
    switch (result) {
    case AdapterResult::Done:
        return DRV_ERR_NONE;
    case AdapterResult::NoListener:
        return DRV_ERR_NO_LISTENER;
    case AdapterResult::TimedOut:
        return DRV_ERR_TIMEOUT;
    case AdapterResult::Unreachable:
        break;
    }
    // The adapter is the interface's board: it is not there.
    return DRV_ERR_NO_BOARD;
}

long AdapterWrite(Handle& handle, const char* data, unsigned long count, int eoi)
{
    AdapterResult result = AdapterSessionFor(handle.adapter)
                               .Write(handle.primary, handle.secondary, data, count, eoi == 1,
                                      AdapterSide(handle.termOut), handle.timeoutMs);
    return result == AdapterResult::Done ? static_cast<long>(count) : Fail(ErrorOf(result), &handle);
}

long AdapterRead(Handle& handle, char* buffer, unsigned long size)
{
    size_t count = 0;
    AdapterResult result = AdapterSessionFor(handle.adapter)
                               .Read(handle.primary, handle.secondary, buffer, size, AdapterSide(handle.termIn),
                                     handle.timeoutMs, &count);
    return result == AdapterResult::Done ? static_cast<long>(count) : Fail(ErrorOf(result), &handle);
}

long Write(int number, const char* data, unsigned long count, int eoi)
{
    Handle* handle = FindDevice(number);
    if (!handle)
        return Fail(DRV_ERR_BAD_HANDLE);
    if (!data && count)
        return Fail(DRV_ERR_BAD_ARGUMENT, handle);
    if (!handle->adapter.empty())
        return AdapterWrite(*handle, data, count, eoi);
    SimBus& bus = *handle->bus;
    const DrvTermRecord& term = handle->termOut;
    // An enabled end-of-string character goes with END: it ends a message.
    unsigned long start = 0;
    for (unsigned long i = 0; term.eosEnabled && i < count; ++i) {
        if (static_cast<uint8_t>(data[i]) != term.eosChar)
            continue;
        if (!bus.Write(handle->primary, handle->secondary, data + start, i + 1 - start, true))
            return Fail(DRV_ERR_NO_LISTENER, handle);
        start = i + 1;
    }
    bool end = eoi == 1 && term.eoi;
    if ((start < count || count == 0) &&
        !bus.Write(handle->primary, handle->secondary, data + start, count - start, end))
        return Fail(DRV_ERR_NO_LISTENER, handle);
    return static_cast<long>(count);
}

long Read(int number, char* buffer, unsigned long size)
{
    Handle* handle = FindDevice(number);
    if (!handle)
        return Fail(DRV_ERR_BAD_HANDLE);
    if (!buffer && size)
        return Fail(DRV_ERR_BAD_ARGUMENT, handle);
    if (!handle->adapter.empty())
        return AdapterRead(*handle, buffer, size);
    const DrvTermRecord& term = handle->termIn;
    size_t count = 0;
    if (!handle->bus->Read(handle->primary, handle->secondary, buffer, size, term.eoi != 0,
                           term.eosEnabled ? term.eosChar : -1, handle->timeoutMs, &count))
        return Fail(DRV_ERR_TIMEOUT, handle);
    return static_cast<long>(count);
}

} // namespace

int DROVANE_CALL DrvPrepare(int handle, int flags)
{
    Call call;
    int result = 0;
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
    Handle* found = Find(handle);
    int result = found ? 0 : Fail(DRV_ERR_BAD_HANDLE);
    if (found)
        found->open = false;
    if (!TraceEnabled())
        return result;
    return call.Log("DrvClose(" + std::to_string(handle) + ")", result);
}

int DROVANE_CALL DrvLastError(int handle, int flags)
{
    Call call;
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
