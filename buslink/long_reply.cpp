#include "buslink/long_reply.h"

#include "gpib/arbitrary_block.h"

namespace {

const size_t kChunkSize = 64 * 1024;
// A definite block's payload, whose length is known, comes in larger reads.
const size_t kPayloadChunkSize = 1024 * 1024;
// The header comes in small reads, so that a definite block is read in its own length.
const size_t kHeaderChunkSize = 16;

LongReply Finished(LongRead result, std::string problem = "")
{
    LongReply reply;
    reply.result = result;
    reply.problem = std::move(problem);
    return reply;
}

std::string Bytes(size_t count)
{
    return std::to_string(count) + " bytes";
}

// Reads into `buffer` (emptied first); false when the read failed.
bool ReadInto(Connection& connection, size_t size, std::string& buffer, ReadEnd& ended)
{
    buffer.clear();
    StepOutcome outcome = connection.ReceiveAppending(buffer, size);
    ended = outcome.ended;
    return outcome.ok;
}

const char kSinkFailed[] = "the bytes could not be stored";

} // namespace

LongReply StreamWhole(Connection& connection, const ReplySink& sink, size_t limit, bool onlyAtEnd)
{
    std::string buffer;
    size_t total = 0;
    ReadEnd ended = ReadEnd::BufferFull;
    while (ended == ReadEnd::BufferFull || (onlyAtEnd && ended == ReadEnd::EndOfString)) {
        if (total >= limit)
            return Finished(LongRead::TooLong, "the reply is longer than " + Bytes(limit));
        size_t size = limit - total < kChunkSize ? limit - total : kChunkSize;
        bool read = ReadInto(connection, size, buffer, ended);
        total += buffer.size();
        if (!buffer.empty() && !sink(buffer.data(), buffer.size()))
            return Finished(LongRead::Failed, kSinkFailed);
        if (!read)
            return Finished(LongRead::Failed);
    }
    return Finished(LongRead::Done);
}

namespace {

LongReply StreamIndefinite(Connection& connection, const ReplySink& sink, size_t limit, std::string head,
                           ReadEnd ended)
{
    // Up to END; the LF that comes with it is the terminator, so the last
    // byte so far is held back until more comes.
    std::string buffer;
    std::string held = std::move(head);
    size_t total = held.size();
    for (;;) {
        if (ended == ReadEnd::Eoi) {
            if (!held.empty() && held.back() == '\n')
                held.pop_back();
            return held.empty() || sink(held.data(), held.size()) ? Finished(LongRead::Done)
                                                                  : Finished(LongRead::Failed, kSinkFailed);
        }
        if (total > limit)
            return Finished(LongRead::TooLong, "the block is longer than " + Bytes(limit));
        if (held.size() > 1) {
            if (!sink(held.data(), held.size() - 1))
                return Finished(LongRead::Failed, kSinkFailed);
            held.erase(0, held.size() - 1);
        }
        if (!ReadInto(connection, kChunkSize, buffer, ended))
            return Finished(LongRead::Failed);
        total += buffer.size();
        held += buffer;
    }
}

LongReply StreamDefinite(Connection& connection, const ReplySink& sink, const BlockHeader& header, std::string head,
                         ReadEnd ended)
{
    size_t wanted = header.payloadLength;
    size_t first = head.size() - header.payloadOffset < wanted ? head.size() - header.payloadOffset : wanted;
    if (first && !sink(head.data() + header.payloadOffset, first))
        return Finished(LongRead::Failed, kSinkFailed);
    size_t got = first;
    bool more = head.size() - header.payloadOffset <= wanted;
    std::string buffer;
    while (got < wanted) {
        if (ended == ReadEnd::Eoi)
            return Finished(LongRead::Malformed, "the block ends after " + std::to_string(got) + " of the " +
                                                     Bytes(wanted) + " it announced");
        size_t size = wanted - got < kPayloadChunkSize ? wanted - got : kPayloadChunkSize;
        if (!ReadInto(connection, size, buffer, ended))
            return Finished(LongRead::Failed);
        if (!buffer.empty() && !sink(buffer.data(), buffer.size()))
            return Finished(LongRead::Failed, kSinkFailed);
        got += buffer.size();
    }
    // The terminator, when it has not come with the payload's last byte; the
    // payload is whole whether it comes or not.
    if (more && ended != ReadEnd::Eoi)
        ReadInto(connection, 2, buffer, ended);
    return Finished(LongRead::Done);
}

} // namespace

LongReply StreamBlock(Connection& connection, const ReplySink& sink, size_t limit, const LengthNotice& announced)
{
    std::string head;
    std::string buffer;
    ReadEnd ended = ReadEnd::None;
    BlockHeader header;
    while (header.form == BlockForm::Incomplete) {
        if (ended == ReadEnd::Eoi && head.find('#') != std::string::npos)
            return Finished(LongRead::Malformed, "the reply ends inside the block header");
        if (ended == ReadEnd::Eoi) {
            LongReply reply = Finished(LongRead::NotABlock);
            if (!head.empty() && !sink(head.data(), head.size()))
                reply = Finished(LongRead::Failed, kSinkFailed);
            return reply;
        }
        if (head.size() >= limit)
            return Finished(LongRead::TooLong, "no block header in the first " + Bytes(limit));
        bool read = ReadInto(connection, kHeaderChunkSize, buffer, ended);
        head += buffer;
        if (!read)
            return Finished(LongRead::Failed);
        header = ScanBlockHeader(head.data(), head.size());
    }
    if (header.form == BlockForm::Malformed)
        return Finished(LongRead::Malformed, header.problem);
    if (header.form == BlockForm::Indefinite)
        return StreamIndefinite(connection, sink, limit, head.substr(header.payloadOffset), ended);
    if (header.payloadLength > limit)
        return Finished(LongRead::TooLong, "the block announces " + Bytes(header.payloadLength) +
                                               ", more than the limit of " + Bytes(limit));
    if (announced)
        announced(header.payloadLength);
    return StreamDefinite(connection, sink, header, std::move(head), ended);
}

namespace {

// Gathers what a sink gets into the result.
ReplySink Gatherer(std::string& bytes)
{
    return [&bytes](const char* data, size_t count) {
        bytes.append(data, count);
        return true;
    };
}

LongReply Gathered(LongReply reply, std::string& bytes)
{
    if (reply.result == LongRead::Done || reply.result == LongRead::NotABlock)
        reply.bytes = std::move(bytes);
    return reply;
}

} // namespace

LongReply ReceiveWhole(Connection& connection, size_t limit)
{
    std::string bytes;
    return Gathered(StreamWhole(connection, Gatherer(bytes), limit), bytes);
}

LongReply ReceiveBlock(Connection& connection, size_t limit)
{
    // A definite block's payload is gathered in memory of its own length.
    std::string bytes;
    return Gathered(StreamBlock(connection, Gatherer(bytes), limit, [&bytes](size_t length) { bytes.reserve(length); }),
                    bytes);
}
