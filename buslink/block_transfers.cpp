#include "buslink/block_transfers.h"

#include "buslink/transfers.h"
#include "gpib/arbitrary_block.h"

#include <cstring>

namespace {

uint8_t Closed(Connection& connection, uint8_t status)
{
    return status | (connection.Close().ok ? 0 : kCloseFailed);
}

// Opens by the MATLAB rule, reads ending with END only: a carriage return
// is data of a block. A failure is recorded in `transfer`.
void Open(Connection& connection, char* address, BlockTransfer& transfer)
{
    connection.EndReadsOnlyWithEnd();
    if (OpenByMatlabRule(connection, address, kTransferTimeoutMs).ok)
        return;
    transfer.status = kOpenFailed;
    transfer.problem = "cannot open the instrument: " + connection.LastErrorText();
}

} // namespace

BlockTransfer QueryBlock(char* address, const char* command, size_t limit)
{
    Connection connection;
    BlockTransfer transfer;
    Open(connection, address, transfer);
    bool sent = connection.Send(command).ok;
    std::string problem = sent ? "" : "the command was not sent: " + connection.LastErrorText();
    LongReply reply = ReceiveBlock(connection, limit);
    if (sent && (reply.result == LongRead::Done || reply.result == LongRead::NotABlock)) {
        transfer.data = std::move(reply.bytes);
    } else {
        transfer.status |= kTransferFailed;
        if (sent)
            problem = reply.problem.empty() ? "the read failed: " + connection.LastErrorText() : reply.problem;
        if (transfer.problem.empty())
            transfer.problem = problem;
    }
    transfer.status = Closed(connection, transfer.status);
    return transfer;
}

BlockTransfer SendBlock(char* address, const char* command, const char* data, size_t count)
{
    Connection connection;
    BlockTransfer transfer;
    Open(connection, address, transfer);
    bool fits = count <= kLongestDefiniteBlock;
    bool sent = false;
    if (fits) {
        // One message: the command and the header, then the payload with END on its last byte.
        std::string head = std::string(command) + DefiniteBlockHeader(count);
        sent = connection.SendBytes(head.data(), head.size(), count == 0).ok;
        if (sent && count)
            sent = connection.SendBytes(data, count, true).ok;
    }
    if (!sent) {
        transfer.status |= kTransferFailed;
        if (transfer.problem.empty())
            transfer.problem = fits ? "the block was not sent: " + connection.LastErrorText()
                                    : "a definite-length block holds at most " +
                                          std::to_string(kLongestDefiniteBlock) + " bytes, not " + std::to_string(count);
    }
    transfer.status = Closed(connection, transfer.status);
    return transfer;
}
