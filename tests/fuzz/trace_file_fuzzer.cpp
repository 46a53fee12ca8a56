// Fuzz target: the input as a trace file that damage, another program or a
// person may have left. Reading it never fails on its contents; every entry
// it finds renders to a line that parses back to the same entry; an entry
// appended at the smallest cap is then the last one read back, the file no
// longer damaged at its start, and no larger than the cap.
#include "fuzz_support.h"

#include "trace/trace_entry.h"
#include "trace/trace_file.h"
#include "trace/trace_switch.h"

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string& TracePath()
{
    static const std::string path = "/tmp/quenbus-fuzz-trace-" + std::to_string(getpid()) + ".txt";
    return path;
}

TraceEntry Appended()
{
    TraceEntry entry;
    entry.timeUs = 1796847445000000LL;
    entry.processId = 1;
    entry.process = "fuzz";
    entry.library = "drovane";
    entry.call = "DrvReadEnded";
    entry.address = "IEEE0,22";
    entry.transfer = TraceTransfer::Read;
    entry.dataLength = 3;
    entry.data = std::string("a\0\xff", 3);
    entry.failure = TraceFailure::Timeout;
    return entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = TracePath();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    TraceReading reading = ReadTraceFile(path);
    FUZZ_CHECK(reading.found && reading.readable, "a file of %zu bytes is not read: %s", size, reading.problem.c_str());
    FUZZ_CHECK(reading.entries.size() == reading.lines.size(), "%zu entries of %zu lines", reading.entries.size(),
               reading.lines.size());
    for (const TraceEntry& entry : reading.entries) {
        std::string line = TraceLine(entry);
        TraceEntry again;
        FUZZ_CHECK(ParseTraceLine(line, again), "a rendered entry does not parse: %s", line.c_str());
        FUZZ_CHECK(TraceLine(again) == line, "an entry renders otherwise after a round: %s", line.c_str());
    }

    const TraceEntry appended = Appended();
    FUZZ_CHECK(AppendTraceEntry(path, appended, kMinTraceCap), "no append to a file of %zu bytes", size);
    struct stat info;
    FUZZ_CHECK(stat(path.c_str(), &info) == 0, "the trace went");
    FUZZ_CHECK(static_cast<size_t>(info.st_size) <= (size > kMinTraceCap ? kMinTraceCap : size + 2048),
               "%lld bytes after an append to %zu", static_cast<long long>(info.st_size), size);
    TraceReading after = ReadTraceFile(path);
    FUZZ_CHECK(!after.headerDamaged, "still damaged at its start after an append");
    FUZZ_CHECK(!after.entries.empty() && TraceLine(after.entries.back()) == TraceLine(appended),
               "the appended entry is not the last read back");
    return 0;
}
