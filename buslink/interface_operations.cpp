#include "buslink/interface_operations.h"

#include "buslink/connection.h"
#include "buslink/library_calls.h"
#include "drovane/drovane.h"

namespace {

using RemoteCall = int(DROVANE_CALL*)(int handle, int enable, int lockout);
using ClearCall = int(DROVANE_CALL*)(int handle);
using ListenerCall = int(DROVANE_CALL*)(int handle, int primary, int secondary, int timeoutMs);

} // namespace

InterfaceConnection::InterfaceConnection(const char* name)
{
    DrvPrepare(-1, 0);
    handle_ = DrvOpenName(name);
}

InterfaceConnection::~InterfaceConnection()
{
    if (handle_ >= 0)
        DrvClose(handle_);
}

void* InterfaceConnection::Find(const char* name)
{
    missing_.clear();
    void* call = FindLibraryCall(CallLibrary::Driver, name);
    if (!call)
        missing_ = name;
    return call;
}

bool InterfaceConnection::RemoteEnable(bool enable, bool lockout)
{
    void* call = Find("DrvRemoteEnable");
    return call && reinterpret_cast<RemoteCall>(call)(handle_, enable ? 1 : 0, lockout ? 1 : 0) == 0;
}

bool InterfaceConnection::InterfaceClear()
{
    void* call = Find("DrvInterfaceClear");
    return call && reinterpret_cast<ClearCall>(call)(handle_) == 0;
}

int InterfaceConnection::FindListener(int primary, int secondary, int timeoutMs)
{
    void* call = Find("DrvFindListener");
    if (!call)
        return -1;
    int found = reinterpret_cast<ListenerCall>(call)(handle_, primary, secondary, timeoutMs);
    return found < 0 ? -1 : found;
}

int InterfaceConnection::LastError() const
{
    return DrvLastError(handle_ >= 0 ? handle_ : -1, 0);
}

std::string InterfaceConnection::LastErrorText() const
{
    if (!missing_.empty())
        return "the bus driver library on this machine does not offer " + missing_;
    return DriverErrorText(LastError());
}
