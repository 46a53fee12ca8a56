// The gateways of the process: one session per URL (case-blind), with the
// lock that a device behind it holds for each call, and the count of its
// open devices: the connection and its links go when the last one closes.
#pragma once

#include "vxi11/gateway_session.h"

#include <mutex>
#include <string>

struct SharedGateway {
    explicit SharedGateway(const AdapterAddress& address) : session(address) {}

    GatewaySession session;
    std::mutex lock;
    int openDevices = 0; // guarded by `lock`
};

// Made on first use, kept for the process; `address` is the parsed `url`.
// The caller keeps the registry from being used by two threads at once.
SharedGateway& SharedGatewayFor(const std::string& url, const AdapterAddress& address);
