// A hex dump of bytes that come in parts, as `hexdump -vC` prints it: the
// offset, 16 bytes in hex (a gap after the eighth), the printable ASCII
// between bars, and a last line with the total.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

class HexDump {
public:
    explicit HexDump(std::ostream& out) : out_(out) {}

    void Add(const char* data, size_t count);
    // The partial last line and the total; nothing for no bytes.
    void Finish();

private:
    std::ostream& out_;
    size_t offset_ = 0;  // of the line being gathered
    std::string line_;   // its bytes so far

    void PrintLine();
};
