#include "adapter/end_mark_reader.h"

#include "adapter/plusplus_codec.h"

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

bool EndMarkReader::TakeReply(int eosChar, std::string& reply, bool& eoi)
{
    size_t end = eosChar >= 0 ? inbox_.find_first_of(std::string{kAdapterEndMark, static_cast<char>(eosChar)})
                              : inbox_.find(kAdapterEndMark);
    if (end == std::string::npos) {
        reply += inbox_;
        inbox_.clear();
        return false;
    }
    eoi = inbox_[end] == kAdapterEndMark;
    reply += inbox_.substr(0, eoi ? end : end + 1);
    inbox_.erase(0, end + 1);
    // The character may have come with EOI: its mark follows, now or later.
    if (!eoi && !inbox_.empty() && inbox_[0] == kAdapterEndMark)
        inbox_.erase(0, 1);
    else if (!eoi)
        strayMark_ = inbox_.empty();
    return true;
}
