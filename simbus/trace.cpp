#include "simbus/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* TracePath()
{
    const char* path = std::getenv("QUENBUS_SIMBUS_TRACE");
    return path && *path ? path : nullptr;
}

} // namespace

bool TraceEnabled()
{
    return TracePath() != nullptr;
}

void TraceLine(const std::string& line)
{
    const char* path = TracePath();
    if (!path)
        return;
    if (FILE* file = std::fopen(path, "ab")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

void TraceCall(const std::string& call, long long result, int error)
{
    std::string line = call + " = " + std::to_string(result);
    if (error != 0)
        line += " error " + std::to_string(error);
    TraceLine(line);
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

std::string QuotedHead(const char* data, size_t count)
{
    return data ? Quoted(data, count < kTracedBytes ? count : kTracedBytes) : "(null)";
}
