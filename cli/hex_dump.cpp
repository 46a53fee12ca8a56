#include "cli/hex_dump.h"

namespace {

const size_t kLineBytes = 16;
const char kDigits[] = "0123456789abcdef";

// At least eight hex digits.
std::string Offset(size_t offset)
{
    std::string text;
    for (size_t shift = 0; shift < 8 * sizeof offset && (shift < 32 || (offset >> shift) != 0); shift += 4)
        text.insert(text.begin(), kDigits[(offset >> shift) & 0xF]);
    return text;
}

} // namespace

void HexDump::Add(const char* data, size_t count)
{
    while (count > 0) {
        size_t part = kLineBytes - line_.size() < count ? kLineBytes - line_.size() : count;
        line_.append(data, part);
        data += part;
        count -= part;
        if (line_.size() == kLineBytes)
            PrintLine();
    }
}

void HexDump::Finish()
{
    if (!line_.empty())
        PrintLine();
    if (offset_ > 0)
        out_ << Offset(offset_) << '\n';
}

void HexDump::PrintLine()
{
    std::string text = Offset(offset_) + " ";
    std::string ascii;
    for (size_t i = 0; i < kLineBytes; ++i) {
        if (i % 8 == 0)
            text += ' ';
        if (i < line_.size()) {
            unsigned char byte = static_cast<unsigned char>(line_[i]);
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0xF];
            text += ' ';
            ascii += byte >= 0x20 && byte < 0x7f ? static_cast<char>(byte) : '.';
        } else {
            text += "   ";
        }
    }
    out_ << text << " |" << ascii << "|\n";
    offset_ += line_.size();
    line_.clear();
}
