#include "text/quoted_text.h"

#include <cstdio>
#include <cstring>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

bool ParseQuotedText(const std::string& token, std::string& text)
{
    if (token.size() < 2 || token.front() != '"' || token.back() != '"')
        return false;
    for (size_t i = 1; i + 1 < token.size(); ++i) {
        char c = token[i];
        if (c == '"')
            return false;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++i + 1 >= token.size())
            return false;
        switch (token[i]) {
        case 'r': text += '\r'; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case '0': text += '\0'; break;
        case '\\': text += '\\'; break;
        case '"': text += '"'; break;
        case 'x': {
            int high = i + 2 < token.size() - 1 ? HexDigit(token[i + 1]) : -1;
            int low = high >= 0 ? HexDigit(token[i + 2]) : -1;
            if (low < 0)
                return false;
            text += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::string Quoted(const char* data, size_t count)
{
    std::string text = "\"";
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        switch (c) {
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                text += static_cast<char>(c);
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                text += hex;
            }
        }
    }
    return text + "\"";
}

std::string Quoted(const char* text)
{
    return text ? Quoted(text, std::strlen(text)) : "(null)";
}
