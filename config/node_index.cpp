#include "config/node_index.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// The value of a hexadecimal digit, or -1.
int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
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

int IsNodeName(const char* name)
{
    for (int i = 0; i < 4; ++i) {
        if (HexDigitValue(name[i]) < 0)
            return 0;
    }
    return name[4] == '\0';
}

unsigned short ParseNodeIndex(const char* name)
{
    unsigned number = 0;
    bool ended = !name;
    for (int i = 0; i < 4; ++i) {
        if (!ended && name[i] == '\0')
            ended = true;
        int digit = ended ? 0 : HexDigitValue(name[i]);
        number = (number << 4) | static_cast<unsigned>(digit < 0 ? 0 : digit);
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
