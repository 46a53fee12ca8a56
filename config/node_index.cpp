#include "config/node_index.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

unsigned HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned>(c - 'a' + 10);
    return 0;
}

} // namespace

char* FormatNodeIndex(unsigned number, char* buffer, unsigned capacity)
{
    if (capacity < 5)
        return nullptr;
    for (int k = 0; k < 4; ++k)
        buffer[3 - k] = kHexDigits[(number >> (4 * k)) & 0xF];
    buffer[4] = '\0';
    return buffer;
}

unsigned short ParseNodeIndex(const char* name)
{
    unsigned number = 0;
    bool ended = !name;
    for (int i = 0; i < 4; ++i) {
        if (!ended && name[i] == '\0')
            ended = true;
        number = (number << 4) | (ended ? 0 : HexDigitValue(name[i]));
    }
    return static_cast<unsigned short>(number);
}

char* FormatDevicePath(unsigned interfaceNumber, unsigned deviceNumber, char* buffer, unsigned capacity)
{
    if (capacity < 10)
        return nullptr;
    FormatNodeIndex(interfaceNumber, buffer, 5);
    buffer[4] = '\\';
    return FormatNodeIndex(deviceNumber, buffer + 5, 5);
}
