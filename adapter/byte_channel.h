// A byte stream to an adapter: a TCP connection or a serial port.
#pragma once

#include "adapter/adapter_url.h"

#include <cstddef>
#include <memory>
#include <string>

class ByteChannel {
public:
    virtual ~ByteChannel() = default;
    // Sends all of `bytes` within `timeoutMs`; false when the stream failed.
    virtual bool Send(const std::string& bytes, int timeoutMs) = 0;
    // Waits up to `timeoutMs` for bytes: how many arrived, 0 when none came
    // in time, negative when the stream is closed or failed.
    virtual long Receive(char* buffer, size_t size, int timeoutMs) = 0;
};

// Opens the stream within `timeoutMs`; null with the reason in `error`.
std::unique_ptr<ByteChannel> OpenTcpChannel(const AdapterAddress& address, int timeoutMs, std::string& error);
std::unique_ptr<ByteChannel> OpenSerialChannel(const AdapterAddress& address, std::string& error);
