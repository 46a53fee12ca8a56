#include "simulator_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

int ListenOnLoopback(int port, int* bound)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
        std::perror("simulator: listen on loopback");
        std::exit(1);
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *bound = ntohs(address.sin_port);
    return fd;
}

bool SendAll(int fd, const std::string& bytes, bool socket)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t count = socket ? send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                               : write(fd, bytes.data() + sent, bytes.size() - sent);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        sent += static_cast<size_t>(count);
    }
    return true;
}

void ServeControl(int listener, const std::function<std::string(const std::string&)>& answer)
{
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::thread([answer, fd] {
            std::string line;
            char c;
            while (read(fd, &c, 1) == 1) {
                if (c != '\n') {
                    line += c;
                    continue;
                }
                if (!SendAll(fd, answer(line)))
                    break;
                line.clear();
            }
            close(fd);
        }).detach();
    }
}

Bench ReadBenchOrExit(const char* path, const char* program)
{
    Bench bench;
    std::string error;
    if (!ReadBenchFile(path, bench, error)) {
        std::fprintf(stderr, "%s: %s: %s\n", program, path, error.c_str());
        std::exit(2);
    }
    return bench;
}

void AnnouncePorts(const char* path, const std::string& announce)
{
    if (path) {
        std::string partial = std::string(path) + ".part";
        std::ofstream(partial) << announce;
        std::rename(partial.c_str(), path);
    }
    std::fputs(announce.c_str(), stdout);
    std::fflush(stdout);
}
