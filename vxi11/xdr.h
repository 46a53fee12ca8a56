// XDR (RFC 4506), the encoding of ONC RPC: big-endian 32-bit units, opaque
// data and strings with their length and padded to four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class XdrWriter {
public:
    void U32(uint32_t value);
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void Bool(bool value) { U32(value ? 1 : 0); }
    // Variable-length opaque data (and strings): the length, the bytes, padding.
    void Opaque(const char* data, size_t count);
    void Opaque(const std::string& data) { Opaque(data.data(), data.size()); }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Reads what XdrWriter writes; every read fails, and keeps failing, past the end.
class XdrReader {
public:
    explicit XdrReader(const std::string& bytes) : bytes_(bytes) {}

    bool U32(uint32_t& value);
    bool I32(int32_t& value);
    // Opaque data of at most `limit` bytes, its padding skipped.
    bool Opaque(std::string& data, size_t limit);
    // How many bytes were read.
    size_t Position() const { return at_; }
    // Whether every byte was read.
    bool AtEnd() const { return !failed_ && at_ == bytes_.size(); }

private:
    const std::string& bytes_;
    size_t at_ = 0;
    bool failed_ = false;
};
