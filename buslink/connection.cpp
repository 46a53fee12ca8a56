#include "buslink/connection.h"

#include "buslink/transfers.h"
#include "drovane/drovane.h"
#include "sicl/sicl32.h"

#include <cstring>

namespace {

const int kCarriageReturn = 13;
const size_t kInterfaceNameLength = 5;
const size_t kPrimaryOffset = 6;
// At most 255 characters fit the reply buffer beside its NUL.
const char kReadFormat[] = "%255t";

} // namespace

uint8_t Connection::Open(char* address, long timeoutMs)
{
    sicl_ = address[0] == 'h';
    if (sicl_) {
        id_ = SiclOpen(address);
        SiclTimeout(id_, timeoutMs);
        SiclTermChar(id_, kCarriageReturn);
        return id_ == 0 ? kOpenFailed : 0;
    }
    // A short address has no primary address: it opens 0.
    uint8_t primary = std::strlen(address) > kPrimaryOffset ? LowByteOfNumber(address + kPrimaryOffset) : 0;
    address[kInterfaceNameLength] = '\0';
    return OpenDevice(address, primary, DRV_NO_SECONDARY, timeoutMs);
}

uint8_t Connection::OpenDevice(const char* interfaceName, uint8_t primary, int secondary, long timeoutMs)
{
    sicl_ = false;
    DrvTermRecord terminator = {};
    terminator.eoi = 1;
    terminator.eosEnabled = 1;
    terminator.eosChar = kCarriageReturn;
    id_ = DrvOpenDevice(interfaceName, "TEMP", primary, secondary, &terminator, &terminator,
                        static_cast<int>(timeoutMs));
    return id_ == -1 ? kOpenFailed : 0;
}

uint8_t Connection::Send(const char* text)
{
    if (sicl_)
        return SiclPrintf(id_, "%s\n", text) == 0 ? kTransferFailed : 0;
    return DrvWrite(id_, text, std::strlen(text), 1, 1, 0, 0, 0) < 0 ? kTransferFailed : 0;
}

uint8_t Connection::Query(const char* text, char* reply)
{
    if (sicl_)
        return SiclPromptf(id_, "%s\n", kReadFormat, text, reply) == 0 ? kTransferFailed : 0;
    uint8_t status = Send(text);
    return status | Receive(reply);
}

uint8_t Connection::Receive(char* reply)
{
    if (sicl_)
        return kTransferFailed;
    uint8_t status = DrvRead(id_, reply, kReplySize, 1, 0, 0, 0) < 0 ? kTransferFailed : 0;
    // A full buffer has no NUL of its own: the reply ends at 255 characters.
    reply[kReplySize - 1] = '\0';
    return status;
}

uint8_t Connection::Close()
{
    if (!sicl_)
        return DrvClose(id_) < 0 ? kCloseFailed : 0;
    uint8_t status = SiclClose(id_) != 0 ? kCloseFailed : 0;
    SiclCleanup();
    return status;
}
