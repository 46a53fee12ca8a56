#include "buslink/long_reply.h"

#include "buslink/arbitrary_block.h"

namespace {

const size_t kChunkSize = 64 * 1024;

LongReply Finished(LongRead result, std::string bytes = "", std::string problem = "")
{
    LongReply reply;
    reply.result = result;
    reply.bytes = std::move(bytes);
    reply.problem = std::move(problem);
    return reply;
}

// One read appended to `bytes`; false when it failed.
bool ReadMore(Connection& connection, size_t size, std::string& bytes, ReadEnd& ended)
{
    StepOutcome outcome = connection.Receive(size);
    bytes += connection.Reply();
    ended = outcome.ended;
    return outcome.ok;
}

} // namespace

LongReply ReceiveWhole(Connection& connection, size_t limit)
{
    std::string bytes;
    ReadEnd ended = ReadEnd::BufferFull;
    while (ended == ReadEnd::BufferFull) {
        if (bytes.size() >= limit)
            return Finished(LongRead::TooLong, std::move(bytes), "the reply is longer than " + std::to_string(limit) + " bytes");
        size_t size = limit - bytes.size() < kChunkSize ? limit - bytes.size() : kChunkSize;
        if (!ReadMore(connection, size, bytes, ended))
            return Finished(LongRead::Failed, std::move(bytes));
    }
    return Finished(LongRead::Done, std::move(bytes));
}

LongReply ReceiveBlock(Connection& connection, size_t limit)
{
    std::string bytes;
    ReadEnd ended = ReadEnd::None;
    BlockHeader header;
    // The header: small reads, so that a definite block is read in its own length.
    while (header.form == BlockForm::Incomplete) {
        if (ended == ReadEnd::Eoi && bytes.find('#') != std::string::npos)
            return Finished(LongRead::Malformed, "", "the reply ends inside the block header");
        if (ended == ReadEnd::Eoi)
            return Finished(LongRead::NotABlock, std::move(bytes));
        if (bytes.size() >= limit)
            return Finished(LongRead::TooLong, "", "no block header in the first " + std::to_string(limit) + " bytes");
        if (!ReadMore(connection, 16, bytes, ended))
            return Finished(LongRead::Failed, std::move(bytes));
        header = ScanBlockHeader(bytes.data(), bytes.size());
    }
    if (header.form == BlockForm::Malformed)
        return Finished(LongRead::Malformed, "", header.problem);
    if (header.form == BlockForm::Indefinite) {
        // Up to END; the LF that comes with it is the terminator.
        while (ended != ReadEnd::Eoi) {
            if (bytes.size() - header.payloadOffset > limit)
                return Finished(LongRead::TooLong, "", "the block is longer than " + std::to_string(limit) + " bytes");
            if (!ReadMore(connection, kChunkSize, bytes, ended))
                return Finished(LongRead::Failed);
        }
        std::string payload = bytes.substr(header.payloadOffset);
        if (!payload.empty() && payload.back() == '\n')
            payload.pop_back();
        return Finished(LongRead::Done, std::move(payload));
    }
    if (header.payloadLength > limit)
        return Finished(LongRead::TooLong, "", "the block announces " + std::to_string(header.payloadLength) +
                                                   " bytes, more than the limit of " + std::to_string(limit));
    size_t end = header.payloadOffset + header.payloadLength;
    bytes.reserve(end + 2);
    while (bytes.size() < end) {
        if (ended == ReadEnd::Eoi)
            return Finished(LongRead::Malformed, "", "the block ends after " +
                                                         std::to_string(bytes.size() - header.payloadOffset) + " of the " +
                                                         std::to_string(header.payloadLength) + " bytes it announced");
        size_t wanted = end - bytes.size();
        if (!ReadMore(connection, wanted < kChunkSize ? wanted : kChunkSize, bytes, ended))
            return Finished(LongRead::Failed);
    }
    // The terminator, when it has not come with the payload's last byte; the
    // payload is whole whether it comes or not.
    if (bytes.size() == end && ended != ReadEnd::Eoi)
        ReadMore(connection, 2, bytes, ended);
    return Finished(LongRead::Done, bytes.substr(header.payloadOffset, header.payloadLength));
}
