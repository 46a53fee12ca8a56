// quenbus clear, trigger, spoll, wait-srq and local ADDRESS, and quenbus
// remote and ifc INTERFACE: the GPIB operations beyond writes and reads.
// Each returns the exit status: 0 done, 1 failed (a wait: no request in
// time), 2 wrong usage (an interface where a device address belongs, or
// the reverse, or an address out of range).
#pragma once

#include "buslink/device_operations.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// "96 (0x60): RQS, ESB": the status byte in decimal and hex and its set
// bits, RQS, ESB and MAV by name and the others as "bit N".
std::string StatusByteText(uint8_t statusByte);

// Why `text` is no device address an operation takes, or empty when it is one.
std::string DeviceAddressProblem(const std::string& text);

// One operation on each device in turn (trigger takes several); a serial
// poll and a wait print the status byte. `timeoutMs` is a wait's.
int DeviceOperationCommand(DeviceOperation operation, const std::vector<std::string>& addresses,
                           unsigned long timeoutMs, std::ostream& out, std::ostream& err);
// Remote enable asserted, with a local lockout, or released (`off`).
int RemoteCommand(const std::string& interfaceName, bool off, bool lockout, std::ostream& err);
int InterfaceClearCommand(const std::string& interfaceName, std::ostream& err);
