#include "buslink/transfers.h"

#include "drovane/drovane.h"
#include "sicl/sicl32.h"

#include <cctype>
#include <cstring>

namespace {

const long kTimeoutMs = 20000;
const int kCarriageReturn = 13;
const int kNoSecondary = 255;
const size_t kInterfaceNameLength = 5;
const size_t kPrimaryOffset = 6;
// At most 255 characters fit the reply buffer beside its NUL.
const char kReadFormat[] = "%255t";

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

uint8_t SiclTransfer(const char* address, CommandText& command, char* reply)
{
    uint8_t status = 0;
    int id = SiclOpen(address);
    if (id == 0)
        status |= kOpenFailed;
    SiclTimeout(id, kTimeoutMs);
    SiclTermChar(id, kCarriageReturn);
    int sent = reply ? SiclPromptf(id, "%s\n", kReadFormat, command.Get(), reply)
                     : SiclPrintf(id, "%s\n", command.Get());
    if (sent == 0)
        status |= kTransferFailed;
    command.Free();
    if (SiclClose(id) != 0)
        status |= kCloseFailed;
    SiclCleanup();
    return status;
}

uint8_t BusTransfer(char* address, CommandText& command, char* reply)
{
    uint8_t status = 0;
    // A short address has no primary address: it opens 0.
    uint8_t primary = std::strlen(address) > kPrimaryOffset ? LowByteOfNumber(address + kPrimaryOffset) : 0;
    address[kInterfaceNameLength] = '\0';
    DrvTermRecord terminator = {};
    terminator.eoi = 1;
    terminator.eosEnabled = 1;
    terminator.eosChar = kCarriageReturn;
    int handle = DrvOpenDevice(address, "TEMP", primary, kNoSecondary, &terminator, &terminator, kTimeoutMs);
    if (handle == -1)
        status |= kOpenFailed;
    if (DrvWrite(handle, command.Get(), std::strlen(command.Get()), 1, 1, 0, 0, 0) < 0)
        status |= kTransferFailed;
    command.Free();
    if (reply) {
        if (DrvRead(handle, reply, kReplySize, 1, 0, 0, 0) < 0)
            status |= kTransferFailed;
        // A full buffer has no NUL of its own: the reply ends at 255 characters.
        reply[kReplySize - 1] = '\0';
    }
    if (DrvClose(handle) < 0)
        status |= kCloseFailed;
    return status;
}

uint8_t Transfer(char* address, CommandText& command, char* reply)
{
    return address[0] == 'h' ? SiclTransfer(address, command, reply) : BusTransfer(address, command, reply);
}
