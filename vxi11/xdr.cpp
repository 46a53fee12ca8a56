#include "vxi11/xdr.h"

void XdrWriter::U32(uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes_ += static_cast<char>((value >> shift) & 0xFF);
}

void XdrWriter::Opaque(const char* data, size_t count)
{
    U32(static_cast<uint32_t>(count));
    bytes_.append(data, count);
    bytes_.append((4 - count % 4) % 4, '\0');
}

bool XdrReader::U32(uint32_t& value)
{
    if (failed_ || bytes_.size() - at_ < 4) {
        failed_ = true;
        return false;
    }
    value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes_[at_ + static_cast<size_t>(i)]);
    at_ += 4;
    return true;
}

bool XdrReader::I32(int32_t& value)
{
    uint32_t raw = 0;
    if (!U32(raw))
        return false;
    value = static_cast<int32_t>(raw);
    return true;
}

bool XdrReader::Opaque(std::string& data, size_t limit)
{
    uint32_t count = 0;
    if (!U32(count))
        return false;
    if (count > limit) {
        failed_ = true;
        return false;
    }
    size_t padded = static_cast<size_t>(count) + (4 - count % 4) % 4;
    if (bytes_.size() - at_ < padded) {
        failed_ = true;
        return false;
    }
    data.assign(bytes_, at_, count);
    at_ += padded;
    return true;
}
