#include "cli/bus_address.h"

#include "buslink/transfers.h"
#include "drovane/drovane.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const size_t kMatlabNameLength = 5;

// A decimal address 0 to DRV_MAX_ADDRESS, the whole of `text`.
std::optional<int> AddressNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > DRV_MAX_ADDRESS)
        return std::nullopt;
    return value;
}

} // namespace

bool IsAddressSeparator(char c)
{
    return c == ':' || c == ',';
}

std::optional<BusAddress> ParseBusAddress(const std::string& text)
{
    size_t first = 0;
    while (first < text.size() && !IsAddressSeparator(text[first]))
        ++first;
    if (first == 0 || first == text.size())
        return std::nullopt;
    size_t second = first + 1;
    while (second < text.size() && !IsAddressSeparator(text[second]))
        ++second;
    std::optional<int> primary = AddressNumber(text.substr(first + 1, second - first - 1));
    if (!primary)
        return std::nullopt;
    BusAddress address{text.substr(0, first), *primary, DRV_NO_SECONDARY};
    if (second < text.size()) {
        std::optional<int> secondary = AddressNumber(text.substr(second + 1));
        if (!secondary)
            return std::nullopt;
        address.secondary = *secondary;
    }
    return address;
}

std::optional<BusAddress> PartsBeyondMatlabRule(const std::string& text)
{
    if (!text.empty() && text[0] == 'h')
        return std::nullopt;
    std::optional<BusAddress> address = ParseBusAddress(text);
    if (address && address->interfaceName.size() == kMatlabNameLength && address->secondary == DRV_NO_SECONDARY)
        return std::nullopt;
    return address;
}

StepOutcome OpenToolAddress(Connection& connection, const std::string& address, long timeoutMs)
{
    if (std::optional<BusAddress> parts = PartsBeyondMatlabRule(address))
        return connection.OpenDevice(parts->interfaceName.c_str(), parts->primary, parts->secondary, timeoutMs);
    char buffer[kAddressSize] = {};
    std::memcpy(buffer, address.c_str(), std::min(std::strlen(address.c_str()), kAddressSize - 1));
    return OpenByMatlabRule(connection, buffer, timeoutMs);
}
