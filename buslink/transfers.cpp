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

namespace {

// Sends, frees the command text, reads when asked and closes, after an open
// whose status is `status`.
uint8_t Exchange(Connection& connection, uint8_t status, CommandText& command, char* reply)
{
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

} // namespace

uint8_t Transfer(char* address, CommandText& command, char* reply)
{
    Connection connection;
    uint8_t status = connection.Open(address, kTimeoutMs);
    return Exchange(connection, status, command, reply);
}

uint8_t TransferToDevice(const char* interfaceName, uint8_t primary, int secondary, CommandText& command,
                         char* reply)
{
    Connection connection;
    uint8_t status = connection.OpenDevice(interfaceName, primary, secondary, kTimeoutMs);
    return Exchange(connection, status, command, reply);
}
