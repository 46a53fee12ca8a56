// What the simulated adapter and the simulated gateway share: listening on
// loopback, sending whole, the control port's line loop, the bench file and
// the announcement of the ports.
#pragma once

#include "simbus/bench.h"

#include <functional>
#include <string>

// A listening socket on 127.0.0.1 at `port` (0: a free one); `bound` gets the
// port. Ends the program when it cannot listen.
int ListenOnLoopback(int port, int* bound);
// Writes all of `bytes` (send on a socket, write on a terminal); false on failure.
bool SendAll(int fd, const std::string& bytes, bool socket = true);
// Takes connections to the control port for ever, each in a thread of its
// own: every line it reads gets `answer`'s text back.
void ServeControl(int listener, const std::function<std::string(const std::string&)>& answer);
// The bench of the file (the default bench without one); ends the program,
// naming `program`, when the file cannot be read or is no bench.
Bench ReadBenchOrExit(const char* path, const char* program);
// Prints the ports' lines and, with a path, writes them there whole at once.
void AnnouncePorts(const char* path, const std::string& announce);
