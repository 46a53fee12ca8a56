#include "adapter/byte_channel.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;

void CloseSocket(Socket socket)
{
    closesocket(socket);
}

bool StartSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

bool SetBlocking(Socket socket, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

bool ConnectPending()
{
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

// Waits until the socket can be read (or written): 1, 0 on time-out, -1 on failure.
int WaitFor(Socket socket, bool write, int timeoutMs)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int result = select(0, write ? nullptr : &set, write ? &set : nullptr, &failed, &wait);
    if (result > 0 && FD_ISSET(socket, &failed))
        return write ? 1 : -1;
    return result;
}

const int kSendFlags = 0;
#else
using Socket = int;
const Socket kNoSocket = -1;

void CloseSocket(Socket socket)
{
    close(socket);
}

bool StartSockets()
{
    return true;
}

bool SetBlocking(Socket socket, bool blocking)
{
    int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 && fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool ConnectPending()
{
    return errno == EINPROGRESS;
}

int WaitFor(Socket socket, bool write, int timeoutMs)
{
    pollfd entry = {};
    entry.fd = socket;
    entry.events = write ? POLLOUT : POLLIN;
    int result;
    do {
        result = poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result;
}

const int kSendFlags = MSG_NOSIGNAL;
#endif

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

class TcpChannel : public ByteChannel {
public:
    explicit TcpChannel(Socket socket) : socket_(socket) {}
    ~TcpChannel() override { CloseSocket(socket_); }
    TcpChannel(const TcpChannel&) = delete;
    TcpChannel& operator=(const TcpChannel&) = delete;

    bool Send(const std::string& bytes, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (WaitFor(socket_, true, RemainingMs(deadline)) <= 0)
                return false;
            int count = send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), kSendFlags);
            if (count <= 0)
                return false;
            sent += static_cast<size_t>(count);
        }
        return true;
    }

    long Receive(char* buffer, size_t size, int timeoutMs) override
    {
        int ready = WaitFor(socket_, false, timeoutMs);
        if (ready == 0)
            return 0;
        if (ready < 0)
            return -1;
        int count = recv(socket_, buffer, static_cast<int>(size), 0);
        return count > 0 ? count : -1;
    }

private:
    Socket socket_;
};

// Connects to one resolved address within the time left.
Socket Connect(const addrinfo* address, std::chrono::steady_clock::time_point deadline)
{
    Socket socket = ::socket(address->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == kNoSocket)
        return kNoSocket;
    bool connected = false;
    if (SetBlocking(socket, false)) {
        if (connect(socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
            connected = true;
        } else if (ConnectPending() && WaitFor(socket, true, RemainingMs(deadline)) > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            connected = getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                        error == 0;
        }
    }
    if (!connected || !SetBlocking(socket, true)) {
        CloseSocket(socket);
        return kNoSocket;
    }
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return socket;
}

} // namespace

std::unique_ptr<ByteChannel> OpenTcpChannel(const AdapterAddress& address, int timeoutMs, std::string& error)
{
    if (!StartSockets()) {
        error = "the sockets library did not start";
        return nullptr;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(address.port);
    if (getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        error = "the host " + address.host + " is not known";
        return nullptr;
    }
    Socket socket = kNoSocket;
    for (const addrinfo* entry = found; entry && socket == kNoSocket; entry = entry->ai_next)
        socket = Connect(entry, deadline);
    freeaddrinfo(found);
    if (socket == kNoSocket) {
        error = "no answer from " + address.host + " port " + port;
        return nullptr;
    }
    return std::unique_ptr<ByteChannel>(new TcpChannel(socket));
}
