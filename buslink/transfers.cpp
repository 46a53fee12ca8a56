#include "buslink/transfers.h"

#include "buslink/connection.h"

#include <cctype>

namespace {

const long kTimeoutMs = 20000;

} // namespace

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

uint8_t Transfer(char* address, CommandText& command, char* reply)
{
    Connection connection;
    uint8_t status = connection.Open(address, kTimeoutMs);
    // SICL reads in the same call that writes; the bus driver reads after the
    // command text has gone.
    if (reply && connection.IsSicl())
        status |= connection.Query(command.Get(), reply);
    else
        status |= connection.Send(command.Get());
    command.Free();
    if (reply && !connection.IsSicl())
        status |= connection.Receive(reply);
    status |= connection.Close();
    return status;
}
