// Where a "++" GPIB adapter is reached: tcp://HOST[:PORT] (port 1234 when
// none is given) or serial://COMn[?baud=N] (115200 baud when none is given).
// Natively a serial port may also be named by its path: serial:///dev/ttyUSB0.
// A LAN/GPIB gateway is vxi11://HOST[:PORT]/NAME, NAME its interface (gpib0);
// without a port its portmapper says where the core channel is.
#pragma once

#include <string>

struct AdapterAddress {
    enum class Kind { Tcp, Serial, Vxi11 };
    Kind kind = Kind::Tcp;
    std::string host;   // tcp, vxi11: a name or a dotted address
    int port = 0;       // tcp; vxi11: 0 to ask the portmapper
    std::string gateway; // vxi11: the gateway's interface, as gpib0
    std::string device; // serial: COMn, or a path
    long baud = 0;      // serial
};

const int kAdapterTcpPort = 1234;
const long kAdapterBaud = 115200;

// False, with the reason in `error`, for a text that is neither form.
bool ParseAdapterUrl(const std::string& url, AdapterAddress& address, std::string& error);
