#include "simbus/trace.h"

#include "text/quoted_text.h"

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

std::string QuotedHead(const char* data, size_t count)
{
    return data ? Quoted(data, count < kTracedBytes ? count : kTracedBytes) : "(null)";
}
