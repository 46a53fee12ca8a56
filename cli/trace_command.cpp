#include "cli/trace_command.h"

#include "config/config_layout.h"
#include "trace/trace_switch.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <thread>

namespace {

// How often --follow looks at the file.
const int kFollowLookMs = 200;

// Bytes as UTF-8 text in which code point n stands for byte n.
std::string ByteCodePoints(const std::string& bytes)
{
    std::string text;
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

nlohmann::json Setting(int value)
{
    return value == kNotTraced ? nlohmann::json(nullptr) : nlohmann::json(value);
}

nlohmann::json Terminator(int eoi, int eos)
{
    if (eoi == kNotTraced && eos == kNotTraced)
        return nullptr;
    return {{"end", eoi == 1}, {"eos", Setting(eos)}};
}

// The trace read, with what is wrong with it said; false when it cannot be.
bool ReadReported(const std::string& path, TraceReading& reading, std::ostream& err)
{
    if (path.empty()) {
        err << "quenbus: there is no user profile for the trace; name its file in QUENBUS_TRACE_FILE\n";
        return false;
    }
    reading = ReadTraceFile(path);
    return ReportTraceReading(path, reading, err);
}

std::string CapText(size_t cap)
{
    return cap % (1024 * 1024) == 0 ? std::to_string(cap / (1024 * 1024)) + " MiB"
                                    : std::to_string(cap / 1024) + " KiB";
}

} // namespace

bool ParseTraceCap(const std::string& text, size_t& cap)
{
    size_t digits = 0;
    unsigned long long number = 0;
    while (digits < text.size() && digits < 11 && text[digits] >= '0' && text[digits] <= '9')
        number = number * 10 + static_cast<unsigned>(text[digits++] - '0');
    if (digits == 0 || text.size() > digits + 1)
        return false;
    const std::string units = "KMG";
    if (digits < text.size()) {
        size_t unit = units.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[digits]))));
        if (unit == std::string::npos)
            return false;
        for (size_t i = 0; i <= unit; ++i)
            number *= 1024;
    }
    if (number < kMinTraceCap || number > kMaxTraceCap)
        return false;
    cap = static_cast<size_t>(number);
    return true;
}

bool ReportTraceReading(const std::string& path, const TraceReading& reading, std::ostream& err)
{
    if (!reading.found)
        return true;
    if (!reading.readable) {
        err << "quenbus: cannot read the trace " << path << ": " << reading.problem << "\n";
        return false;
    }
    if (reading.headerDamaged && (reading.damagedLines > 0 || !reading.entries.empty()))
        err << "quenbus: the trace " << path << " is damaged: it does not begin as a trace; the next call "
            << "recorded starts it afresh (quenbus trace clear does so now)\n";
    else if (reading.damagedLines > 0)
        err << "quenbus: the trace " << path << " is damaged: " << reading.damagedLines
            << (reading.damagedLines == 1 ? " line holds" : " lines hold") << " no entry and "
            << (reading.damagedLines == 1 ? "is" : "are") << " left out\n";
    return true;
}

std::string EntryJson(const TraceEntry& entry)
{
    nlohmann::json object = {
        {"time", UtcTime(entry.timeUs)},
        {"time_us", entry.timeUs},
        {"duration_us", entry.durationUs},
        {"process", ByteCodePoints(entry.process)},
        {"pid", entry.processId},
        {"library", entry.library},
        {"call", ByteCodePoints(entry.call)},
        {"arguments", ByteCodePoints(entry.arguments)},
        {"address", ByteCodePoints(entry.address)},
        {"term_in", Terminator(entry.termInEoi, entry.termInEos)},
        {"term_out", Terminator(entry.termOutEoi, entry.termOutEos)},
        {"timeout_ms", entry.timeoutMs == kNotTraced ? nlohmann::json(nullptr) : nlohmann::json(entry.timeoutMs)},
        {"transfer", entry.transfer == TraceTransfer::None ? nlohmann::json(nullptr)
                                                           : nlohmann::json(TransferWord(entry.transfer))},
        {"length", entry.dataLength == kNotTraced ? nlohmann::json(nullptr) : nlohmann::json(entry.dataLength)},
        {"data", ByteCodePoints(entry.data)},
        {"result", entry.result},
        {"error", entry.error},
        {"error_text", ByteCodePoints(entry.errorText)},
        {"failure", entry.failure == TraceFailure::None ? nlohmann::json(nullptr)
                                                        : nlohmann::json(FailureWord(entry.failure))}};
    return object.dump();
}

int TraceSwitchCommand(bool on, size_t cap, std::ostream& out, std::ostream& err)
{
    if (!WriteTraceSwitch(on, cap)) {
        err << "quenbus: cannot switch the trace: there is no bus configuration to hold the switch "
            << "(HKEY_CURRENT_USER\\" << kConfigRootPath << "), or it cannot be written; open the IEEE 488 applet "
            << "once, or set QUENBUS_SIMBUS_TRACE=FILE to trace one program\n";
        return 1;
    }
    TraceSwitch now = ReadTraceSwitch();
    if (on)
        out << "tracing is on: every program's calls go to " << TraceFilePath() << " (cap " << CapText(now.cap)
            << "); programs already running start within a second\n";
    else
        out << "tracing is off; the trace stays in " << TraceFilePath() << "\n";
    return 0;
}

int TraceStatusCommand(std::ostream& out, std::ostream& err)
{
    TraceSwitch now = ReadTraceSwitch();
    std::string path = TraceFilePath();
    out << "tracing is " << (now.on ? "on" : "off") << ", cap " << CapText(now.cap) << "\n";
    TraceReading reading;
    if (!ReadReported(path, reading, err))
        return 1;
    out << "trace: " << path << ", ";
    if (!reading.found)
        out << "not made yet\n";
    else
        out << reading.entries.size() << (reading.entries.size() == 1 ? " entry" : " entries") << "\n";
    return 0;
}

int TraceShowCommand(const TraceFilter& filter, bool follow, std::ostream& out, std::ostream& err)
{
    std::string path = TraceFilePath();
    TraceReading reading;
    if (!ReadReported(path, reading, err))
        return 1;
    for (const TraceEntry& entry : reading.entries) {
        if (EntryMatches(entry, filter))
            out << ShownEntry(entry) << '\n';
    }
    out.flush();
    std::string lastLine = reading.lines.empty() ? "" : reading.lines.back();
    while (follow) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kFollowLookMs));
        TraceReading now = ReadTraceFile(path);
        // After the last line shown; all of it when that line went (a clear, or the cap).
        size_t next = 0;
        for (size_t i = now.lines.size(); i-- > 0;) {
            if (now.lines[i] == lastLine) {
                next = i + 1;
                break;
            }
        }
        for (size_t i = next; i < now.entries.size(); ++i) {
            if (EntryMatches(now.entries[i], filter))
                out << ShownEntry(now.entries[i]) << '\n';
        }
        out.flush();
        if (!now.lines.empty())
            lastLine = now.lines.back();
    }
    return 0;
}

int TraceClearCommand(std::ostream& out, std::ostream& err)
{
    std::string path = TraceFilePath();
    std::string problem;
    if (path.empty() || !ClearTraceFile(path, problem)) {
        err << "quenbus: cannot clear the trace " << path << ": " << (path.empty() ? "no user profile" : problem)
            << "\n";
        return 1;
    }
    out << "cleared the trace " << path << "\n";
    return 0;
}

int TraceExportCommand(const std::string& file, std::ostream& out, std::ostream& err)
{
    TraceReading reading;
    if (!ReadReported(TraceFilePath(), reading, err))
        return 1;
    std::ofstream written;
    if (file != "-") {
        written.open(file, std::ios::binary | std::ios::trunc);
        if (!written) {
            err << "quenbus: cannot write " << file << "; check the folder and its permissions\n";
            return 1;
        }
    }
    std::ostream& target = file == "-" ? out : written;
    for (const TraceEntry& entry : reading.entries)
        target << EntryJson(entry) << '\n';
    target.flush();
    if (!target) {
        err << "quenbus: cannot write " << file << "\n";
        return 1;
    }
    if (file != "-")
        out << "exported " << reading.entries.size() << (reading.entries.size() == 1 ? " entry" : " entries")
            << " to " << file << "\n";
    return 0;
}
