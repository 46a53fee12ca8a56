// The portmapper (program 100000 version 2, TCP port 111): where a
// program's TCP port is.
#pragma once

#include "vxi11/rpc_client.h"

#include <cstdint>
#include <string>

const int kPortmapperPort = 111;
const uint32_t kPortmapperProgram = 100000;
const uint32_t kPortmapperVersion = 2;
const uint32_t kPortmapperGetPort = 3;
const uint32_t kProtocolTcp = 6;

// GETPORT's arguments: the program, its version, TCP.
std::string EncodeGetPort(uint32_t program, uint32_t version);
// GETPORT's result: the port, 0 when the program is not registered.
bool DecodeGetPort(const std::string& results, uint32_t& port);

// Asks the portmapper of `host` for the TCP port of the program: the port,
// or 0 with the reason in `problem`.
int LookUpPort(const std::string& host, uint32_t program, uint32_t version, int timeoutMs, std::string& problem);
