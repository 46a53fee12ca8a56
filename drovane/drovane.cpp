// The bus driver library on the simulated bus: interfaces are resolved from
// the bus configuration, devices are the instruments of simbus, or of the
// "++" GPIB adapter that the interface names (drovane/device_backend.h).
// Every call is written to the bus log (simbus/trace.h) and, while tracing is
// on, to the I/O trace (trace/call_recording.h). The library's lock
// guards the handle table and the errors only; a device's I/O runs outside
// it, so a slow device never holds up another handle's calls.
#include "drovane/drovane.h"

#include "adapter/adapter_registry.h"
#include "adapter/adapter_url.h"
#include "config/os_family.h"
#include "drovane/device_backend.h"
#include "drovane/driver_error_text.h"
#include "drovane/gateway_backend.h"
#include "drovane/interface_lookup.h"
#include "simbus/trace.h"
#include "trace/call_recording.h"
#include "trace/trace_switch.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Handle {
    bool open = false;
    std::string busName;
    // For the trace: the interface's name as opened, with the device's addresses.
    std::string address;
    DeviceSettings settings;
    // A device's backend; none for an interface.
    std::shared_ptr<DeviceBackend> device;
    // An interface's backend; none for a device.
    std::shared_ptr<BusBackend> bus;
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

// A device's address for the trace: "IEEE0,22", "IEEE0,22,3".
std::string DeviceAddress(const char* interfaceName, int primary, int secondary)
{
    return std::string(interfaceName) + "," + std::to_string(primary) +
           (secondary == DRV_NO_SECONDARY ? "" : "," + std::to_string(secondary));
}

bool ValidSecondary(int secondary)
{
    return secondary == DRV_NO_SECONDARY || (secondary >= 0 && secondary <= DRV_MAX_ADDRESS);
}

// No handle for the trace to describe before the call.
const int kNoHandle = -2;

// The address and settings of a handle, for its call's entry.
void DescribeHandle(int number, TraceEntry& entry)
{
    TableLock table(g_library.mutex);
    const Handle* handle = Find(number);
    if (!handle)
        return;
    entry.address = handle->address;
    if (!handle->device)
        return;
    const DeviceSettings& settings = handle->settings;
    entry.termInEoi = settings.termIn.eoi ? 1 : 0;
    entry.termInEos = EosOf(settings.termIn);
    entry.termOutEoi = settings.termOut.eoi ? 1 : 0;
    entry.termOutEos = EosOf(settings.termOut);
    entry.timeoutMs = settings.timeoutMs;
}

TraceFailure FailureOf(int error)
{
    switch (error) {
    case DRV_ERR_NONE:
        return TraceFailure::None;
    case DRV_ERR_TIMEOUT:
        return TraceFailure::Timeout;
    case DRV_ERR_NO_LISTENER:
        return TraceFailure::NoListener;
    }
    return TraceFailure::Other;
}

// Runs an export's work. While tracing is wanted, records the call (the bus
// log's line when that is on, and an entry to the I/O trace):
// the handle's address and settings (taken before the call, which may close
// it), the arguments and what `details` adds once the call is done. The
// arguments are formatted only then.
template <typename Work, typename Arguments, typename Details>
auto Exported(const char* name, int handle, Work work, Arguments arguments, Details details) -> decltype(work())
{
    t_callError = DRV_ERR_NONE;
    if (!TraceWanted())
        return work();
    CallRecording recording("drovane", name);
    if (handle != kNoHandle)
        DescribeHandle(handle, recording.Entry());
    auto result = work();
    int error = t_callError;
    details(recording, result);
    recording.Finish(arguments(), result, error, error == DRV_ERR_NONE ? "" : DriverErrorText(error),
                     FailureOf(error));
    return result;
}

template <typename Work, typename Arguments>
auto Exported(const char* name, int handle, Work work, Arguments arguments) -> decltype(work())
{
    return Exported(name, handle, work, arguments, [](CallRecording&, long long) {});
}

// "1, 2, 3".
std::string Numbers(std::initializer_list<long long> numbers)
{
    std::string text;
    for (long long number : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text;
}

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
    handle.address = name;
    handle.bus = OpenBusBackend(busName, adapter);
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
    handle.address = DeviceAddress(interfaceName, primary, secondary);
    handle.settings = settings;
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

long Write(int number, const char* data, unsigned long count, int eoi, bool binary)
{
    std::shared_ptr<DeviceBackend> device = DeviceFor(number, data || !count);
    if (!device)
        return -1;
    if (!Record(number, device, device->Write(data, count, eoi == 1, binary)))
        return -1;
    return static_cast<long>(count);
}

int EndNumber(ReadEnd ended)
{
    switch (ended) {
    case ReadEnd::Eoi:
        return DRV_END_EOI;
    case ReadEnd::EndOfString:
        return DRV_END_EOS;
    case ReadEnd::BufferFull:
        return DRV_END_FULL;
    case ReadEnd::None:
        break;
    }
    return DRV_END_NONE;
}

// The bytes read, or -1; `arrived` (when not null) gets the bytes read, also
// on a time-out, and `ended` how the read ended.
long Read(int number, char* buffer, unsigned long size, unsigned long* arrived, int* ended)
{
    if (arrived)
        *arrived = 0;
    if (ended)
        *ended = DRV_END_NONE;
    std::shared_ptr<DeviceBackend> device = DeviceFor(number, buffer || !size);
    if (!device)
        return -1;
    size_t count = 0;
    ReadEnd end = ReadEnd::None;
    int error = device->Read(buffer, size, &count, &end);
    if (arrived)
        *arrived = static_cast<unsigned long>(count);
    if (!Record(number, device, error))
        return -1;
    if (ended)
        *ended = EndNumber(end);
    return static_cast<long>(count);
}

// Runs an operation on an open device handle: 0, or -1 with the error recorded.
template <typename Operation> int OnDevice(int number, bool argumentsValid, Operation operation)
{
    std::shared_ptr<DeviceBackend> device = DeviceFor(number, argumentsValid);
    if (!device)
        return -1;
    return Record(number, device, operation(*device)) ? 0 : -1;
}

// Runs an operation on an open interface handle: 0, or -1 with the error recorded.
template <typename Operation> int OnInterface(int number, bool argumentsValid, Operation operation)
{
    std::shared_ptr<BusBackend> bus;
    {
        TableLock table(g_library.mutex);
        Handle* handle = Find(number);
        if (!handle || !handle->bus)
            return Fail(DRV_ERR_BAD_HANDLE);
        if (!argumentsValid)
            return Fail(DRV_ERR_BAD_ARGUMENT, handle);
        bus = handle->bus;
    }
    int error = operation(*bus);
    if (error == DRV_ERR_NONE)
        return 0;
    TableLock table(g_library.mutex);
    Handle* handle = Find(number);
    return Fail(error, handle && handle->bus == bus ? handle : nullptr);
}

// A status byte for the log.
std::string ByteText(const uint8_t* statusByte)
{
    return statusByte ? std::to_string(*statusByte) : "null";
}

// Copies the text into the caller's `size` bytes, ended with NUL.
void CopyOut(const std::string& text, char* answer, unsigned long size)
{
    if (!answer || size == 0)
        return;
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(answer, text.data(), length);
    answer[length] = '\0';
}

int ProbeAdapter(const char* url, char* answer, unsigned long size, int timeoutMs)
{
    AdapterAddress address;
    std::string problem;
    if (!url || !ParseAdapterUrl(url, address, problem)) {
        CopyOut(url ? problem : "no URL", answer, size);
        TableLock table(g_library.mutex);
        return Fail(DRV_ERR_BAD_ARGUMENT);
    }
    if (timeoutMs == 0) {
        CopyOut("", answer, size);
        return 0;
    }
    if (address.kind == AdapterAddress::Kind::Vxi11) {
        std::string said;
        bool answered = ProbeGateway(address, timeoutMs, said);
        CopyOut(said, answer, size);
        return answered ? 1 : 0;
    }
    // A session of its own, closed at once: an adapter may take one connection only.
    AdapterSession session(ChannelTo(url));
    std::string version;
    if (session.Version(timeoutMs, version) == AdapterResult::Done && !version.empty()) {
        CopyOut(version, answer, size);
        return 1;
    }
    CopyOut(session.Problem().empty() ? "no answer to ++ver" : session.Problem(), answer, size);
    return 0;
}

// The openable interface numbered `number`; false when none is.
bool InterfaceNumbered(int number, NumberedInterface& found)
{
    for (NumberedInterface& candidate : OpenableInterfaces()) {
        if (candidate.number == number) {
            found = std::move(candidate);
            return true;
        }
    }
    return false;
}

int InterfaceAt(int index, int* number, char* name, unsigned long size)
{
    if (!number || !name || size == 0 || index < 0) {
        TableLock table(g_library.mutex);
        return Fail(DRV_ERR_BAD_ARGUMENT);
    }
    std::vector<NumberedInterface> interfaces = OpenableInterfaces();
    if (static_cast<size_t>(index) >= interfaces.size())
        return 0;
    *number = interfaces[static_cast<size_t>(index)].number;
    CopyOut(interfaces[static_cast<size_t>(index)].name, name, size);
    return 1;
}

int DeviceAt(int number, int index, int* primary, int* secondary, char* name, unsigned long size)
{
    NumberedInterface bus;
    int error = !primary || !secondary || !name || size == 0 || index < 0 ? DRV_ERR_BAD_ARGUMENT
                : !InterfaceNumbered(number, bus)                          ? DRV_ERR_UNKNOWN_NAME
                                                                           : DRV_ERR_NONE;
    if (error != DRV_ERR_NONE) {
        TableLock table(g_library.mutex);
        return Fail(error);
    }
    std::vector<ConfiguredDevice> devices = bus.node.empty() ? std::vector<ConfiguredDevice>()
                                                             : ConfiguredDevices(bus.node);
    if (static_cast<size_t>(index) >= devices.size())
        return 0;
    const ConfiguredDevice& device = devices[static_cast<size_t>(index)];
    *primary = device.primary;
    *secondary = device.secondary;
    CopyOut(device.name, name, size);
    return 1;
}

} // namespace

int DROVANE_CALL DrvPrepare(int handle, int flags)
{
    return Exported(
        "DrvPrepare", handle,
        [&] {
            TableLock table(g_library.mutex);
            if (handle == -1) {
                g_library.lastError = DRV_ERR_NONE;
            } else if (Handle* found = Find(handle)) {
                found->lastError = DRV_ERR_NONE;
            } else {
                return Fail(DRV_ERR_BAD_HANDLE);
            }
            return 0;
        },
        [&] { return Numbers({handle, flags}); });
}

int DROVANE_CALL DrvOpenName(const char* name)
{
    return Exported("DrvOpenName", kNoHandle, [&] { return OpenName(name); }, [&] { return Quoted(name); },
                    [&](CallRecording& recording, int) { recording.Entry().address = name ? name : ""; });
}

int DROVANE_CALL DrvClose(int handle)
{
    return Exported(
        "DrvClose", handle,
        [&] {
            // The device goes after the table's lock: closing it may wait for its medium.
            std::shared_ptr<DeviceBackend> device;
            TableLock table(g_library.mutex);
            Handle* found = Find(handle);
            if (!found)
                return Fail(DRV_ERR_BAD_HANDLE);
            std::shared_ptr<BusBackend> bus;
            found->open = false;
            device.swap(found->device);
            bus.swap(found->bus);
            return 0;
        },
        [&] { return Numbers({handle}); });
}

int DROVANE_CALL DrvLastError(int handle, int flags)
{
    return Exported(
        "DrvLastError", handle == -1 ? kNoHandle : handle,
        [&] {
            TableLock table(g_library.mutex);
            if (handle == -1)
                return g_library.lastError;
            const Handle* found = Find(handle);
            return found ? found->lastError : static_cast<int>(DRV_ERR_BAD_HANDLE);
        },
        [&] { return Numbers({handle, flags}); });
}

int DROVANE_CALL DrvOpenDevice(const char* interfaceName, const char* deviceName, uint8_t primary, int secondary,
                               const DrvTermRecord* termIn, const DrvTermRecord* termOut, int timeoutMs)
{
    return Exported(
        "DrvOpenDevice", kNoHandle,
        [&] { return OpenDevice(interfaceName, primary, secondary, termIn, termOut, timeoutMs); },
        [&] {
            return Quoted(interfaceName) + ", " + Quoted(deviceName) + ", " + Numbers({primary, secondary}) + ", " +
                   RecordText(termIn) + ", " + RecordText(termOut) + ", " + Numbers({timeoutMs});
        },
        [&](CallRecording& recording, int opened) {
            if (opened >= 0) {
                DescribeHandle(opened, recording.Entry());
            } else if (interfaceName) {
                recording.Entry().address = DeviceAddress(interfaceName, primary, secondary);
            }
        });
}

long DROVANE_CALL DrvWrite(int handle, const char* data, unsigned long count, int eoi, int mode, int a, int b, int c)
{
    return Exported(
        "DrvWrite", handle, [&] { return Write(handle, data, count, eoi, false); },
        [&] {
            std::string text = data ? Quoted(data, count) : "(null)";
            return Numbers({handle}) + ", " + text + ", " + Numbers({static_cast<long long>(count), eoi, mode, a, b, c});
        },
        [&](CallRecording& recording, long) { recording.Data(TraceTransfer::Write, data, data ? count : 0); });
}

long DROVANE_CALL DrvRead(int handle, char* buffer, unsigned long size, int mode, int a, int b, int c)
{
    unsigned long arrived = 0;
    return Exported(
        "DrvRead", handle, [&] { return Read(handle, buffer, size, &arrived, nullptr); },
        [&] { return Numbers({handle, static_cast<long long>(size), mode, a, b, c}); },
        [&](CallRecording& recording, long) { recording.Data(TraceTransfer::Read, buffer, buffer ? arrived : 0); });
}

int DROVANE_CALL DrvReadEnded(int handle, char* buffer, unsigned long size, unsigned long* count, int* ended)
{
    unsigned long arrived = 0;
    return Exported(
        "DrvReadEnded", handle,
        [&] {
            int result = Read(handle, buffer, size, &arrived, ended) < 0 ? -1 : 0;
            if (count)
                *count = arrived;
            return result;
        },
        [&] {
            return Numbers({handle, static_cast<long long>(size)}) + ", " + (count ? std::to_string(*count) : "null") +
                   ", " + (ended ? std::to_string(*ended) : "null");
        },
        [&](CallRecording& recording, int) { recording.Data(TraceTransfer::Read, buffer, buffer ? arrived : 0); });
}

long DROVANE_CALL DrvWriteBinary(int handle, const char* data, unsigned long count, int end)
{
    return Exported(
        "DrvWriteBinary", handle, [&] { return Write(handle, data, count, end, true); },
        [&] {
            return Numbers({handle}) + ", " + QuotedHead(data, count) + ", " +
                   Numbers({static_cast<long long>(count), end});
        },
        [&](CallRecording& recording, long) { recording.Data(TraceTransfer::Write, data, data ? count : 0); });
}

int DROVANE_CALL DrvProbeAdapter(const char* url, char* answer, unsigned long size, int timeoutMs)
{
    return Exported("DrvProbeAdapter", kNoHandle, [&] { return ProbeAdapter(url, answer, size, timeoutMs); },
                    [&] { return Quoted(url) + ", " + Numbers({static_cast<long long>(size), timeoutMs}); },
                    [&](CallRecording& recording, int) { recording.Entry().address = url ? url : ""; });
}

int DROVANE_CALL DrvClear(int handle)
{
    return Exported("DrvClear", handle, [&] { return OnDevice(handle, true, [](DeviceBackend& d) { return d.Clear(); }); },
                    [&] { return Numbers({handle}); });
}

int DROVANE_CALL DrvTrigger(int handle)
{
    return Exported("DrvTrigger", handle,
                    [&] { return OnDevice(handle, true, [](DeviceBackend& d) { return d.Trigger(); }); },
                    [&] { return Numbers({handle}); });
}

int DROVANE_CALL DrvSerialPoll(int handle, uint8_t* statusByte)
{
    return Exported(
        "DrvSerialPoll", handle,
        [&] { return OnDevice(handle, statusByte != nullptr, [&](DeviceBackend& d) { return d.SerialPoll(statusByte); }); },
        [&] { return Numbers({handle}) + ", " + ByteText(statusByte); });
}

int DROVANE_CALL DrvWaitRequest(int handle, unsigned long timeoutMs, uint8_t* statusByte)
{
    return Exported("DrvWaitRequest", handle,
                    [&] {
                        return OnDevice(handle, statusByte != nullptr, [&](DeviceBackend& d) {
                            return WaitForRequest(d, timeoutMs, statusByte);
                        });
                    },
                    [&] { return Numbers({handle, static_cast<long long>(timeoutMs)}) + ", " + ByteText(statusByte); });
}

int DROVANE_CALL DrvLocal(int handle)
{
    return Exported("DrvLocal", handle, [&] { return OnDevice(handle, true, [](DeviceBackend& d) { return d.Local(); }); },
                    [&] { return Numbers({handle}); });
}

int DROVANE_CALL DrvRemoteEnable(int handle, int enable, int lockout)
{
    return Exported("DrvRemoteEnable", handle,
                    [&] {
                        bool valid = (enable == 0 || enable == 1) && (lockout == 0 || lockout == enable);
                        return OnInterface(handle, valid,
                                           [&](BusBackend& b) { return b.RemoteEnable(enable == 1, lockout == 1); });
                    },
                    [&] { return Numbers({handle, enable, lockout}); });
}

int DROVANE_CALL DrvInterfaceClear(int handle)
{
    return Exported("DrvInterfaceClear", handle,
                    [&] { return OnInterface(handle, true, [](BusBackend& b) { return b.InterfaceClear(); }); },
                    [&] { return Numbers({handle}); });
}

int DROVANE_CALL DrvFindListener(int handle, int primary, int secondary, int timeoutMs)
{
    return Exported("DrvFindListener", handle,
                    [&] {
                        bool valid = primary >= 0 && primary <= DRV_MAX_ADDRESS && ValidSecondary(secondary);
                        bool listens = false;
                        int done = OnInterface(handle, valid, [&](BusBackend& b) {
                            return b.FindListener(primary, secondary, timeoutMs, &listens);
                        });
                        return done < 0 ? -1 : listens ? 1 : 0;
                    },
                    [&] { return Numbers({handle, primary, secondary, timeoutMs}); });
}

int DROVANE_CALL DrvInterfaceAt(int index, int* number, char* name, unsigned long size)
{
    return Exported("DrvInterfaceAt", kNoHandle, [&] { return InterfaceAt(index, number, name, size); },
                    [&] { return Numbers({index, static_cast<long long>(size)}); });
}

int DROVANE_CALL DrvDeviceAt(int number, int index, int* primary, int* secondary, char* name, unsigned long size)
{
    return Exported("DrvDeviceAt", kNoHandle, [&] { return DeviceAt(number, index, primary, secondary, name, size); },
                    [&] { return Numbers({number, index, static_cast<long long>(size)}); });
}
