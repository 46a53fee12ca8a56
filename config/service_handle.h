// ServiceHandle: a move-only holder of a Service Control Manager handle.
#pragma once

#include "platform/win32.h"

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ServiceHandle() { Close(); }
    ServiceHandle(ServiceHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    ServiceHandle& operator=(ServiceHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;

    SC_HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle up without closing it.
    SC_HANDLE Release()
    {
        SC_HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

    void Close()
    {
        if (handle_)
            CloseServiceHandle(handle_);
        handle_ = nullptr;
    }

private:
    SC_HANDLE handle_;
};
