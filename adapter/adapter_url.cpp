#include "adapter/adapter_url.h"

#include "text/text_compare.h"

#include <cctype>
#include <cstdlib>

namespace {

const char kTcpScheme[] = "tcp://";
const char kSerialScheme[] = "serial://";
const char kVxi11Scheme[] = "vxi11://";
const long kMaxComPort = 256;

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// A decimal number within [low, high], taking all of `text`.
bool ParseNumber(const std::string& text, long low, long high, long& number)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    number = std::strtol(text.c_str(), nullptr, 10);
    return number >= low && number <= high;
}

bool ParseTcp(const std::string& rest, AdapterAddress& address, std::string& error)
{
    address.kind = AdapterAddress::Kind::Tcp;
    address.port = kAdapterTcpPort;
    size_t colon = rest.rfind(':');
    address.host = rest.substr(0, colon);
    if (colon != std::string::npos) {
        long port = 0;
        if (!ParseNumber(rest.substr(colon + 1), 1, 65535, port)) {
            error = "the port must be a number from 1 to 65535";
            return false;
        }
        address.port = static_cast<int>(port);
    }
    if (address.host.empty() || address.host.find_first_of("/?@[] ") != std::string::npos) {
        error = "give a host name or address, as tcp://192.168.1.20 or tcp://gpib-lan:1234";
        return false;
    }
    return true;
}

bool ParseSerial(const std::string& rest, AdapterAddress& address, std::string& error)
{
    address.kind = AdapterAddress::Kind::Serial;
    address.baud = kAdapterBaud;
    size_t query = rest.find('?');
    address.device = rest.substr(0, query);
    if (query != std::string::npos) {
        std::string option = rest.substr(query + 1);
        if (!StartsWithNoCase(option, "baud=") || !ParseNumber(option.substr(5), 50, 4000000, address.baud)) {
            error = "the only option is baud=N, as serial://COM3?baud=115200";
            return false;
        }
    }
    long number = 0;
#ifndef _WIN32
    if (!address.device.empty() && address.device[0] == '/')
        return true;
#endif
    if (!StartsWithNoCase(address.device, "COM") || !ParseNumber(address.device.substr(3), 1, kMaxComPort, number)) {
        error = "give a serial port COM1 to COM256, as serial://COM3";
        return false;
    }
    address.device = "COM" + std::to_string(number);
    return true;
}

// HOST[:PORT]/NAME, NAME letters then digits.
bool ParseVxi11(const std::string& rest, AdapterAddress& address, std::string& error)
{
    const char kForm[] = "a gateway is vxi11://HOST[:PORT]/NAME, as vxi11://192.168.1.30/gpib0";
    size_t slash = rest.find('/');
    std::string name = slash == std::string::npos ? "" : rest.substr(slash + 1);
    size_t digits = name.find_first_of("0123456789");
    bool letters = digits != 0 && digits != std::string::npos && name.size() <= 32;
    for (size_t i = 0; letters && i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        letters = i < digits ? std::isalpha(c) != 0 : std::isdigit(c) != 0;
    }
    if (!letters) {
        error = kForm;
        return false;
    }
    if (!ParseTcp(rest.substr(0, slash), address, error)) {
        if (error.find("port") == std::string::npos)
            error = kForm;
        return false;
    }
    if (rest.substr(0, slash).find(':') == std::string::npos)
        address.port = 0;
    address.kind = AdapterAddress::Kind::Vxi11;
    address.gateway = name;
    return true;
}

} // namespace

bool ParseAdapterUrl(const std::string& url, AdapterAddress& address, std::string& error)
{
    address = AdapterAddress();
    if (StartsWithNoCase(url, kTcpScheme))
        return ParseTcp(url.substr(sizeof kTcpScheme - 1), address, error);
    if (StartsWithNoCase(url, kSerialScheme))
        return ParseSerial(url.substr(sizeof kSerialScheme - 1), address, error);
    if (StartsWithNoCase(url, kVxi11Scheme))
        return ParseVxi11(url.substr(sizeof kVxi11Scheme - 1), address, error);
    error = "an adapter is tcp://HOST[:PORT] or serial://COMn[?baud=N], a gateway vxi11://HOST[:PORT]/gpib0";
    return false;
}
