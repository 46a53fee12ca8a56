// The devices and interfaces of an interface bound to a LAN/GPIB gateway
// (vxi11://HOST[:PORT]/NAME), each call on the gateway's shared session.
#pragma once

#include "adapter/adapter_url.h"
#include "drovane/device_backend.h"

#include <memory>
#include <string>

std::shared_ptr<DeviceBackend> OpenGatewayDevice(const std::string& url, const AdapterAddress& address,
                                                 const DeviceSettings& settings);
std::shared_ptr<BusBackend> OpenGatewayInterface(const std::string& url, const AdapterAddress& address);

// Asks the gateway at `url` over a session of its own, closed at once, as
// DrvProbeAdapter does: whether it answers, with its answer or why not.
bool ProbeGateway(const AdapterAddress& address, int timeoutMs, std::string& answer);
