#include "trace/trace_file.h"

#include "trace/locked_file.h"

#include <cstdlib>

namespace {

std::string Header()
{
    return std::string(kTraceHeader) + "\n";
}

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The newest lines of `contents` (after its header) that hold an entry and
// together fit in `room` bytes, oldest first.
std::string NewestLines(const std::string& contents, size_t room)
{
    std::vector<std::string> newestFirst;
    size_t total = 0;
    size_t end = contents.size();
    const size_t start = Header().size();
    while (end > start) {
        // The line that ends at `end`: after the line feed before its last byte.
        size_t cut = end >= 2 ? contents.rfind('\n', end - 2) : std::string::npos;
        size_t begin = cut == std::string::npos || cut + 1 < start ? start : cut + 1;
        std::string line = contents.substr(begin, end - begin);
        end = begin;
        TraceEntry entry;
        if (line.back() != '\n' || !ParseTraceLine(line.substr(0, line.size() - 1), entry))
            continue;
        if (total + line.size() > room)
            break;
        total += line.size();
        newestFirst.push_back(std::move(line));
    }
    std::string kept;
    for (size_t i = newestFirst.size(); i-- > 0;)
        kept += newestFirst[i];
    return kept;
}

} // namespace

std::string TraceFilePath()
{
    std::string chosen = Variable("QUENBUS_TRACE_FILE");
    if (!chosen.empty())
        return chosen;
#ifdef _WIN32
    std::string profile = Variable("LOCALAPPDATA");
    if (profile.empty())
        profile = Variable("USERPROFILE");
    return profile.empty() ? "" : profile + "\\quenbus\\io-trace.txt";
#else
    std::string state = Variable("XDG_STATE_HOME");
    if (state.empty() && !Variable("HOME").empty())
        state = Variable("HOME") + "/.local/state";
    return state.empty() ? "" : state + "/quenbus/io-trace.txt";
#endif
}

bool AppendTraceEntry(const std::string& path, const TraceEntry& entry, size_t cap)
{
    if (path.empty())
        return false;
    LockedFile file(path, true);
    if (!file.Open())
        return false;
    const std::string line = TraceLine(entry) + "\n";
    long long size = file.Size();
    std::string head;
    if (size < 0 || !file.ReadAt(0, Header().size(), head))
        return false;
    if (size == 0 || head != Header())
        return file.Replace(Header() + line);
    if (static_cast<unsigned long long>(size) + line.size() > cap) {
        std::string contents;
        if (!file.ReadAll(contents))
            return false;
        return file.Replace(Header() + NewestLines(contents, cap / 2) + line);
    }
    std::string last;
    if (!file.ReadAt(size - 1, 1, last))
        return false;
    // A line cut short by a failed write stays apart from this one.
    return file.Append(last == "\n" ? line : "\n" + line);
}

TraceReading ReadTraceFile(const std::string& path)
{
    TraceReading reading;
    std::string contents;
    {
        LockedFile file(path, false);
        reading.found = !file.Missing();
        if (!file.Open() || !file.ReadAll(contents)) {
            reading.problem = file.Problem().empty() ? "it cannot be read" : file.Problem();
            return reading;
        }
    }
    reading.readable = true;
    reading.headerDamaged = contents.compare(0, Header().size(), Header()) != 0;
    size_t begin = reading.headerDamaged ? 0 : Header().size();
    while (begin < contents.size()) {
        size_t end = contents.find('\n', begin);
        bool whole = end != std::string::npos;
        std::string line = contents.substr(begin, whole ? end - begin : std::string::npos);
        begin = whole ? end + 1 : contents.size();
        TraceEntry entry;
        if (whole && ParseTraceLine(line, entry)) {
            reading.entries.push_back(std::move(entry));
            reading.lines.push_back(std::move(line));
        } else if (!line.empty() || !whole) {
            ++reading.damagedLines;
        }
    }
    return reading;
}

bool ClearTraceFile(const std::string& path, std::string& problem)
{
    LockedFile file(path, false);
    if (!file.Open()) {
        problem = file.Problem();
        return file.Missing();
    }
    if (file.Replace(Header()))
        return true;
    problem = "it cannot be written";
    return false;
}
