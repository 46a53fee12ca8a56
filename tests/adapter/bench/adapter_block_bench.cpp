// The adapter's block benchmark: the 16 MiB block of the simulated adapter's
// bench (IEEE0:16) read through the bus driver library over loopback,
// against the same bytes read from the same adapter by a plain socket loop
// that knows their length, in the same run; best of five each. Prints,
// never fails. Run beside the simulated adapter with IEEE0 bound to it
// (tests/adapter/with_simulated_adapter.sh --registry QUENBUS_REGISTRY_FILE).
#include "buslink/connection.h"
#include "buslink/long_reply.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const size_t kPayload = 16u * 1024 * 1024;
// "#8", eight digits, the payload and the line feed.
const size_t kReply = kPayload + 11;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Through the library: the bytes of the payload, or 0.
size_t LibraryRead()
{
    Connection connection;
    connection.EndReadsOnlyWithEnd();
    if (!connection.OpenDevice("IEEE0", 16, DRV_NO_SECONDARY, 20000).ok || !connection.Send("CURV?").ok)
        return 0;
    LongReply reply = ReceiveBlock(connection);
    connection.Close();
    return reply.result == LongRead::Done ? reply.bytes.size() : 0;
}

// A plain loop on a socket of its own: the bytes read, or 0.
size_t SocketRead(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout = {20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return 0;
    }
    const std::string request = "++mode 1\n++auto 0\n++eot_enable 0\n++addr 16\n++eos 3\n++eoi 1\nCURV?\n++read eoi\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::vector<char> bytes(kReply);
    size_t got = 0;
    while (got < kReply) {
        ssize_t count = recv(fd, bytes.data() + got, kReply - got, 0);
        if (count <= 0)
            break;
        got += static_cast<size_t>(count);
    }
    close(fd);
    return got;
}

} // namespace

int main()
{
    const char* url = std::getenv("QUENBUS_ADAPTER_URL");
    std::string text = url ? url : "";
    size_t colon = text.rfind(':');
    if (text.compare(0, 6, "tcp://") != 0 || colon == std::string::npos) {
        std::printf("adapter block benchmark: no TCP adapter (QUENBUS_ADAPTER_URL is \"%s\")\n", text.c_str());
        return 0;
    }
    int port = std::atoi(text.c_str() + colon + 1);
    double library = 1e9;
    double plain = 1e9;
    size_t libraryBytes = 0;
    size_t plainBytes = 0;
    for (int round = 0; round < 5; ++round) {
        Clock::time_point start = Clock::now();
        libraryBytes = LibraryRead();
        library = std::min(library, Seconds(start));
        start = Clock::now();
        plainBytes = SocketRead(port);
        plain = std::min(plain, Seconds(start));
    }
    std::printf("adapter block benchmark: a 16 MiB block through the simulated adapter over loopback, best of 5\n");
    if (libraryBytes != kPayload || plainBytes != kReply)
        std::printf("  (not all read: the library %zu, the socket loop %zu bytes)\n", libraryBytes, plainBytes);
    double mib = static_cast<double>(kPayload) / (1024 * 1024);
    std::printf("  the library (busblock's read):  %7.1f ms  %7.1f MiB/s\n", 1000 * library, mib / library);
    std::printf("  a plain socket loop:            %7.1f ms  %7.1f MiB/s\n", 1000 * plain, mib / plain);
    std::printf("  the library's rate / the socket loop's: %.2f (goal 0.8 or more)\n", plain / library);
    return 0;
}
