#include "gpib/arbitrary_block.h"

#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

BlockHeader Malformed(const std::string& problem)
{
    BlockHeader header;
    header.form = BlockForm::Malformed;
    header.problem = problem;
    return header;
}

} // namespace

BlockHeader ScanBlockHeader(const char* data, size_t count)
{
    BlockHeader header;
    const void* found = count ? std::memchr(data, '#', count) : nullptr;
    if (!found)
        return header;
    size_t hash = static_cast<size_t>(static_cast<const char*>(found) - data);
    if (hash + 1 >= count)
        return header;
    char announced = data[hash + 1];
    if (!IsDigit(announced))
        return Malformed("no digit after #");
    if (announced == '0') {
        header.form = BlockForm::Indefinite;
        header.payloadOffset = hash + 2;
        return header;
    }
    size_t digits = static_cast<size_t>(announced - '0');
    size_t first = hash + 2;
    size_t length = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (first + i >= count)
            return header;
        if (!IsDigit(data[first + i]))
            return Malformed("fewer length digits than the " + std::to_string(digits) + " announced");
        length = length * 10 + static_cast<size_t>(data[first + i] - '0');
    }
    header.form = BlockForm::Definite;
    header.payloadOffset = first + digits;
    header.payloadLength = length;
    return header;
}

std::string DefiniteBlockHeader(size_t length)
{
    std::string digits = std::to_string(length);
    return "#" + std::to_string(digits.size()) + digits;
}
