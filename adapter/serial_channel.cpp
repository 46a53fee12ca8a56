#include "adapter/byte_channel.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <chrono>

namespace {

#ifdef _WIN32
const DWORD kPollMs = 5;

class SerialChannel : public ByteChannel {
public:
    explicit SerialChannel(HANDLE port) : port_(port) {}
    ~SerialChannel() override { CloseHandle(port_); }
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    bool Send(const std::string& bytes, int timeoutMs) override
    {
        COMMTIMEOUTS timeouts = {};
        timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(timeoutMs);
        SetCommTimeouts(port_, &timeouts);
        DWORD written = 0;
        return WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    // Looks at the input queue until bytes have come or the time is up, then
    // takes what is there without waiting.
    long Receive(char* buffer, size_t size, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            DWORD errors = 0;
            COMSTAT status = {};
            if (!ClearCommError(port_, &errors, &status))
                return -1;
            if (status.cbInQue > 0)
                break;
            if (std::chrono::steady_clock::now() >= deadline)
                return 0;
            Sleep(kPollMs);
        }
        COMMTIMEOUTS timeouts = {};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        SetCommTimeouts(port_, &timeouts);
        DWORD count = 0;
        if (!ReadFile(port_, buffer, static_cast<DWORD>(size), &count, nullptr))
            return -1;
        return static_cast<long>(count);
    }

private:
    HANDLE port_;
};
#else
speed_t SpeedOf(long baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B115200;
    }
}

class SerialChannel : public ByteChannel {
public:
    explicit SerialChannel(int port) : port_(port) {}
    ~SerialChannel() override { close(port_); }
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    bool Send(const std::string& bytes, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t sent = 0;
        while (sent < bytes.size()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || Wait(POLLOUT, static_cast<int>(left.count())) <= 0)
                return false;
            ssize_t count = write(port_, bytes.data() + sent, bytes.size() - sent);
            if (count < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (count > 0)
                sent += static_cast<size_t>(count);
        }
        return true;
    }

    long Receive(char* buffer, size_t size, int timeoutMs) override
    {
        int ready = Wait(POLLIN, timeoutMs);
        if (ready <= 0)
            return ready;
        ssize_t count = read(port_, buffer, size);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return 0;
        return count > 0 ? static_cast<long>(count) : -1;
    }

private:
    int Wait(short events, int timeoutMs)
    {
        pollfd entry = {};
        entry.fd = port_;
        entry.events = events;
        int result = poll(&entry, 1, timeoutMs);
        if (result > 0 && (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(entry.revents & events))
            return -1;
        return result < 0 && errno == EINTR ? 0 : result;
    }

    int port_;
};
#endif

} // namespace

std::unique_ptr<ByteChannel> OpenSerialChannel(const AdapterAddress& address, std::string& error)
{
#ifdef _WIN32
    std::string path = "\\\\.\\" + address.device;
    HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        error = "the serial port " + address.device + " does not open";
        return nullptr;
    }
    DCB settings = {};
    settings.DCBlength = sizeof settings;
    if (GetCommState(port, &settings)) {
        settings.BaudRate = static_cast<DWORD>(address.baud);
        settings.ByteSize = 8;
        settings.Parity = NOPARITY;
        settings.StopBits = ONESTOPBIT;
        settings.fBinary = TRUE;
        settings.fOutxCtsFlow = FALSE;
        settings.fOutX = FALSE;
        settings.fInX = FALSE;
        SetCommState(port, &settings);
    }
    // Stale input goes; output of an earlier opening may still be on its way.
    PurgeComm(port, PURGE_RXCLEAR);
    return std::unique_ptr<ByteChannel>(new SerialChannel(port));
#else
    // COMn is the n-th serial port of the machine.
    std::string path = address.device;
    if (path[0] != '/')
        path = "/dev/ttyS" + std::to_string(std::stoi(path.substr(3)) - 1);
    int port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (port < 0) {
        error = "the serial port " + path + " does not open";
        return nullptr;
    }
    termios settings = {};
    if (tcgetattr(port, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, SpeedOf(address.baud));
        cfsetospeed(&settings, SpeedOf(address.baud));
        settings.c_cflag |= CLOCAL | CREAD;
        tcsetattr(port, TCSANOW, &settings);
    }
    // Stale input goes; output of an earlier opening may still be on its way.
    tcflush(port, TCIFLUSH);
    return std::unique_ptr<ByteChannel>(new SerialChannel(port));
#endif
}
