#include "gpib/message_framing.h"

#include <cstring>

namespace {

// Whether a part follows the last end at `start`: the rest of the bytes, or
// the empty part of a write of no bytes.
bool RestIsAPart(size_t start, size_t count)
{
    return start < count || count == 0;
}

} // namespace

std::vector<MessagePart> MessageParts(const std::vector<size_t>& ends, size_t count, bool end)
{
    std::vector<MessagePart> parts;
    size_t start = 0;
    for (size_t offset : ends) {
        parts.push_back(MessagePart{start, offset - start, true});
        start = offset;
    }
    if (RestIsAPart(start, count))
        parts.push_back(MessagePart{start, count - start, end});
    return parts;
}

bool EndOfStringSplitter::Next(MessagePart& part)
{
    if (done_)
        return false;
    for (size_t i = start_; eosChar_ >= 0 && i < count_; ++i) {
        if (static_cast<unsigned char>(data_[i]) != eosChar_)
            continue;
        part = MessagePart{start_, i + 1 - start_, true};
        start_ = i + 1;
        return true;
    }
    done_ = true;
    if (!RestIsAPart(start_, count_))
        return false;
    part = MessagePart{start_, count_ - start_, end_};
    return true;
}

std::vector<MessagePart> SplitAtEndOfString(const char* data, size_t count, int eosChar, bool end)
{
    std::vector<MessagePart> parts;
    EndOfStringSplitter splitter(data, count, eosChar, end);
    MessagePart part;
    while (splitter.Next(part))
        parts.push_back(part);
    return parts;
}

ReadStop FindReadStop(const char* data, size_t available, size_t size, int eosChar, bool endWithLast)
{
    size_t taken = available < size ? available : size;
    const void* eos = eosChar >= 0 && taken ? std::memchr(data, eosChar, taken) : nullptr;
    if (eos)
        return ReadStop{static_cast<size_t>(static_cast<const char*>(eos) - data) + 1, ReadEnd::EndOfString};
    if (endWithLast && taken > 0 && taken == available)
        return ReadStop{taken, ReadEnd::Eoi};
    return ReadStop{taken, taken == size ? ReadEnd::BufferFull : ReadEnd::None};
}
