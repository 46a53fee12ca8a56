// An interface of the bus driver library opened by name for its own
// operations (remote enable, interface clear, the listener check), closed
// with the object. The calls are found by name, as the device operations'.
#pragma once

#include <string>

class InterfaceConnection {
public:
    explicit InterfaceConnection(const char* name);
    ~InterfaceConnection();
    InterfaceConnection(const InterfaceConnection&) = delete;
    InterfaceConnection& operator=(const InterfaceConnection&) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    bool RemoteEnable(bool enable, bool lockout);
    bool InterfaceClear();
    // 1 when a device listens at the address (secondary DRV_NO_SECONDARY:
    // none), 0 when none does, -1 on failure.
    int FindListener(int primary, int secondary, int timeoutMs);

    // Why the open or the last operation failed.
    std::string LastErrorText() const;
    int LastError() const;

private:
    void* Find(const char* name);

    int handle_ = -1;
    std::string missing_;
};
