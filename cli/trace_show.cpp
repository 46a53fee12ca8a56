#include "cli/trace_show.h"

#include "cli/bus_address.h"
#include "text/quoted_text.h"
#include "text/text_compare.h"

#include <cstdio>
#include <ctime>

namespace {

std::string Padded(const std::string& text, size_t width)
{
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

// An address with ',' between its parts.
std::string CommaAddress(std::string text)
{
    for (char& c : text) {
        if (IsAddressSeparator(c))
            c = ',';
    }
    return text;
}

bool ProcessMatches(const TraceEntry& entry, const std::string& wanted)
{
    if (wanted == std::to_string(entry.processId) || EqualNoCase(entry.process, wanted))
        return true;
    const std::string suffix = ".exe";
    return entry.process.size() > suffix.size() &&
           EqualNoCase(entry.process.substr(entry.process.size() - suffix.size()), suffix) &&
           EqualNoCase(entry.process.substr(0, entry.process.size() - suffix.size()), wanted);
}

bool AddressMatches(const TraceEntry& entry, const std::string& wanted)
{
    std::string address = CommaAddress(wanted);
    return EqualNoCase(entry.address, address) ||
           (entry.address.size() > address.size() && entry.address[address.size()] == ',' &&
            EqualNoCase(entry.address.substr(0, address.size()), address) &&
            address.find(',') == std::string::npos);
}

std::string Duration(long long us)
{
    return us < 10000 ? std::to_string(us) + " us" : std::to_string(us / 1000) + " ms";
}

std::string DataText(const TraceEntry& entry)
{
    if (entry.transfer == TraceTransfer::None)
        return "";
    std::string text = entry.transfer == TraceTransfer::Write ? "-> " : "<- ";
    text += Quoted(entry.data.data(), entry.data.size());
    if (static_cast<long long>(entry.data.size()) < entry.dataLength)
        text += "...";
    return text + " (" + std::to_string(entry.dataLength) + (entry.dataLength == 1 ? " byte)" : " bytes)");
}

// "2026-12-09 20:15:03.123456", or "2026-12-09T20:15:03.123456Z" in UTC.
std::string TimeText(long long timeUs, bool utc)
{
    std::time_t seconds = static_cast<std::time_t>(timeUs / 1000000);
    std::tm parts = {};
#ifdef _WIN32
    utc ? gmtime_s(&parts, &seconds) : localtime_s(&parts, &seconds);
#else
    utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts);
#endif
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d.%06lld%s", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, utc ? 'T' : ' ', parts.tm_hour, parts.tm_min, parts.tm_sec,
                  timeUs % 1000000, utc ? "Z" : "");
    return text;
}

} // namespace

bool EntryMatches(const TraceEntry& entry, const TraceFilter& filter)
{
    return (filter.process.empty() || ProcessMatches(entry, filter.process)) &&
           (filter.address.empty() || AddressMatches(entry, filter.address)) &&
           (!filter.errorsOnly || entry.failure != TraceFailure::None);
}

std::string LocalTime(long long timeUs)
{
    return TimeText(timeUs, false);
}

std::string UtcTime(long long timeUs)
{
    return TimeText(timeUs, true);
}

std::string ByteName(int byte)
{
    if (byte == '\r')
        return "CR (\\r)";
    if (byte == '\n')
        return "LF (\\n)";
    char c = static_cast<char>(byte);
    return Quoted(&c, 1);
}

std::string InputEndText(const TraceEntry& entry)
{
    std::string text = entry.termInEoi == 1 ? "END" : "";
    if (entry.termInEos != kNotTraced)
        text += (text.empty() ? "" : " or ") + ByteName(entry.termInEos);
    return text.empty() ? "nothing" : text;
}

std::string ShownEntry(const TraceEntry& entry)
{
    std::string line = LocalTime(entry.timeUs) + "  " +
                       Padded(entry.process + "[" + std::to_string(entry.processId) + "]", 20) + "  " +
                       Padded(entry.call, 15) + "  " + Padded(entry.address.empty() ? "-" : entry.address, 10) +
                       "  = " + Padded(std::to_string(entry.result), 3) + "  " + Padded(Duration(entry.durationUs), 7);
    std::string data = DataText(entry);
    if (!data.empty())
        line += "  " + data;
    if (entry.failure == TraceFailure::None)
        return line.substr(0, line.find_last_not_of(' ') + 1);
    line += "  FAILED: error " + std::to_string(entry.error) + ", " + entry.errorText;
    if (entry.transfer == TraceTransfer::Read)
        line += "; the read ends at " + InputEndText(entry) +
                (entry.timeoutMs >= 0 ? ", time-out " + std::to_string(entry.timeoutMs) + " ms" : "");
    return line;
}
