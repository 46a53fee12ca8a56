#include "sicl/formats.h"

#include "simbus/trace.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

bool FormatWrite(const char* format, va_list& args, WriteText& text)
{
    if (!format)
        return false;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            text.bytes += *p;
            if (*p == '\n')
                text.ends.push_back(text.bytes.size());
            continue;
        }
        switch (*++p) {
        case '%':
            text.bytes += '%';
            break;
        case 's': {
            const char* argument = va_arg(args, const char*);
            if (!argument)
                return false;
            text.bytes += argument;
            if (text.showArguments)
                text.shownArguments += ", " + Quoted(argument);
            break;
        }
        case 'd': {
            std::string number = std::to_string(va_arg(args, int));
            text.bytes += number;
            if (text.showArguments)
                text.shownArguments += ", " + number;
            break;
        }
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            text.bytes += c;
            if (text.showArguments)
                text.shownArguments += ", " + Quoted(&c, 1);
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

size_t ReadFormatWidth(const char* format)
{
    if (!format || format[0] != '%')
        return 0;
    if (std::strcmp(format, "%t") == 0)
        return kMaxReadWidth;
    if (!std::isdigit(static_cast<unsigned char>(format[1])))
        return 0;
    char* end = nullptr;
    unsigned long width = std::strtoul(format + 1, &end, 10);
    if (std::strcmp(end, "t") != 0 || width == 0 || width > kMaxReadWidth)
        return 0;
    return width;
}
