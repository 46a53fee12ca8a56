#include "adapter/end_mark_reader.h"

#include "adapter/plusplus_codec.h"

#include <cstring>

void EndMarkReader::Add(const char* bytes, size_t count)
{
    if (count == 0)
        return;
    size_t skip = strayMark_ && inbox_.empty() && bytes[0] == kAdapterEndMark ? 1 : 0;
    strayMark_ = false;
    inbox_.append(bytes + skip, count - skip);
}

bool EndMarkReader::TakeLine(std::string& line)
{
    size_t end = inbox_.find('\n');
    if (end == std::string::npos)
        return false;
    line = inbox_.substr(0, end);
    inbox_.erase(0, end + 1);
    while (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// What the mark byte at `at`, where a mark is possible, is.
EndMarkReader::MarkByte EndMarkReader::MarkAt(size_t at, bool settled) const
{
    if (at + 1 < inbox_.size())
        return MarkByte::Data;
    return settled ? MarkByte::Mark : MarkByte::Unsure;
}

ReplyEnd EndMarkReader::TakeReply(int eosChar, size_t limit, BlockTracker& block, std::string& reply, bool settled)
{
    markHeld_ = false;
    size_t room = limit > reply.size() ? limit - reply.size() : 0;
    size_t available = inbox_.size() < room ? inbox_.size() : room;
    size_t i = 0;
    ReplyEnd end = ReplyEnd::More;
    while (i < available && end == ReplyEnd::More && !markHeld_) {
        const char* next = inbox_.data() + i;
        size_t ahead = block.PayloadAhead();
        MarkByte mark = *next == kAdapterEndMark && block.MarkPossible() ? MarkAt(i, settled) : MarkByte::Data;
        if (ahead > 0) {
            // Payload: only the character stops it.
            size_t span = available - i < ahead ? available - i : ahead;
            const void* found = eosChar >= 0 ? std::memchr(next, eosChar, span) : nullptr;
            size_t taken = found ? static_cast<size_t>(static_cast<const char*>(found) - next) + 1 : span;
            block.Pass(next, taken);
            i += taken;
            end = found ? ReplyEnd::Character : ReplyEnd::More;
        } else if (mark == MarkByte::Mark) {
            end = ReplyEnd::Mark;
        } else if (mark == MarkByte::Unsure) {
            markHeld_ = true;
        } else {
            block.Pass(next, 1);
            ++i;
            if (eosChar >= 0 && static_cast<unsigned char>(*next) == eosChar)
                end = ReplyEnd::Character;
        }
    }
    // A full reply whose mark has come ends with it.
    if (end == ReplyEnd::More && !markHeld_ && i == room && i < inbox_.size() && inbox_[i] == kAdapterEndMark &&
        block.MarkPossible()) {
        MarkByte mark = MarkAt(i, settled);
        end = mark == MarkByte::Mark ? ReplyEnd::Mark : ReplyEnd::More;
        markHeld_ = mark == MarkByte::Unsure;
    }
    reply.append(inbox_, 0, i);
    inbox_.erase(0, end == ReplyEnd::Mark ? i + 1 : i);
    if (end == ReplyEnd::Mark) {
        block.Restart();
    } else if (end == ReplyEnd::Character && block.PayloadAhead() == 0) {
        // The character may have come with EOI: its mark follows, now or later.
        if (!inbox_.empty() && inbox_[0] == kAdapterEndMark) {
            inbox_.erase(0, 1);
            block.Restart();
        } else
            strayMark_ = inbox_.empty();
    } else if (end == ReplyEnd::More && !markHeld_ && reply.size() >= limit) {
        end = ReplyEnd::Full;
    }
    return end;
}
