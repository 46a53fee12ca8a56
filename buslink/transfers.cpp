#include "buslink/transfers.h"

#include "buslink/connection.h"
#include "drovane/drovane.h"

#include <cctype>
#include <cstring>

uint8_t LowByteOfNumber(const char* text)
{
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    unsigned value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
        value = (value * 10 + static_cast<unsigned>(*text - '0')) & 0xFF;
    return static_cast<uint8_t>(negative ? 0x100 - value : value);
}

namespace {

const size_t kInterfaceNameLength = 5;
const size_t kPrimaryOffset = 6;

} // namespace

std::string MatlabReplyText(const std::string& bytes)
{
    return std::string(bytes.c_str(), strnlen(bytes.c_str(), kReplySize - 1));
}

uint8_t SendAndRead(Connection& connection, uint8_t status, CommandText& command, char* reply, ReadEnd* ended)
{
    // SICL reads in the same call that writes; the bus driver reads after the
    // command text has gone.
    StepOutcome read;
    if (reply && connection.IsSicl()) {
        read = connection.Query(command.Get(), kReplySize);
        status |= read.ok ? 0 : kTransferFailed;
    } else {
        status |= connection.Send(command.Get()).ok ? 0 : kTransferFailed;
    }
    command.Free();
    if (reply && !connection.IsSicl()) {
        read = connection.Receive(kReplySize);
        status |= read.ok ? 0 : kTransferFailed;
    }
    if (reply) {
        std::string text = MatlabReplyText(connection.Reply());
        std::memcpy(reply, text.c_str(), text.size() + 1);
    }
    if (ended)
        *ended = read.ok ? read.ended : ReadEnd::None;
    return status;
}

uint8_t Exchange(Connection& connection, uint8_t status, CommandText& command, char* reply)
{
    status = SendAndRead(connection, status, command, reply, nullptr);
    status |= connection.Close().ok ? 0 : kCloseFailed;
    return status;
}

StepOutcome OpenByMatlabRule(Connection& connection, char* address, long timeoutMs)
{
    if (address[0] == 'h')
        return connection.OpenSicl(address, timeoutMs);
    // The interface name is the first five characters, the primary address
    // the number from the seventh; a short address opens 0.
    uint8_t primary = std::strlen(address) > kPrimaryOffset ? LowByteOfNumber(address + kPrimaryOffset) : 0;
    address[kInterfaceNameLength] = '\0';
    return connection.OpenDevice(address, primary, DRV_NO_SECONDARY, timeoutMs);
}

uint8_t Transfer(char* address, CommandText& command, char* reply)
{
    Connection connection(MatlabRead, nullptr);
    StepOutcome opened = OpenByMatlabRule(connection, address, kTransferTimeoutMs);
    return Exchange(connection, opened.ok ? 0 : kOpenFailed, command, reply);
}
