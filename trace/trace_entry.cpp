#include "trace/trace_entry.h"

#include "text/quoted_text.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

const char kTraceHeader[] = "quenbus I/O trace 1";

namespace {

const size_t kFieldCount = 20;

const char* const kFailureWords[] = {"", "timeout", "no listener", "other"};
const char* const kTransferWords[] = {"", "write", "read"};

// The entry's fields in line order: numbers as decimal, texts quoted.
std::vector<std::string> Fields(const TraceEntry& entry)
{
    auto text = [](const std::string& value) { return Quoted(value.data(), value.size()); };
    return {std::to_string(entry.timeUs),
            std::to_string(entry.durationUs),
            std::to_string(entry.processId),
            text(entry.process),
            text(entry.library),
            text(entry.call),
            text(entry.arguments),
            text(entry.address),
            std::to_string(entry.termInEoi),
            std::to_string(entry.termInEos),
            std::to_string(entry.termOutEoi),
            std::to_string(entry.termOutEos),
            std::to_string(entry.timeoutMs),
            TransferWord(entry.transfer),
            std::to_string(entry.dataLength),
            text(entry.data),
            std::to_string(entry.result),
            std::to_string(entry.error),
            text(entry.errorText),
            Quoted(FailureWord(entry.failure))};
}

bool ParseNumber(const std::string& field, long long low, long long high, long long& number)
{
    if (field.empty() || field.size() > 20)
        return false;
    for (size_t i = 0; i < field.size(); ++i) {
        bool digit = field[i] >= '0' && field[i] <= '9';
        if (!digit && !(i == 0 && field[i] == '-' && field.size() > 1))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    number = std::strtoll(field.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && number >= low && number <= high;
}

bool ParseSetting(const std::string& field, int high, int& setting)
{
    long long number = 0;
    if (!ParseNumber(field, kNotTraced, high, number))
        return false;
    setting = static_cast<int>(number);
    return true;
}

bool ParseText(const std::string& field, std::string& text)
{
    text.clear();
    return ParseQuotedText(field, text);
}

// The index of `word` among `count` words.
template <typename Kind> bool ParseWord(const std::string& word, const char* const* words, size_t count, Kind& kind)
{
    for (size_t i = 0; i < count; ++i) {
        if (word == words[i]) {
            kind = static_cast<Kind>(i);
            return true;
        }
    }
    return false;
}

} // namespace

const char* FailureWord(TraceFailure failure)
{
    return kFailureWords[static_cast<size_t>(failure)];
}

const char* TransferWord(TraceTransfer transfer)
{
    return kTransferWords[static_cast<size_t>(transfer)];
}

std::string TraceLine(const TraceEntry& entry)
{
    std::string line;
    for (const std::string& field : Fields(entry))
        line += (line.empty() ? "" : "\t") + field;
    return line;
}

bool ParseTraceLine(const std::string& line, TraceEntry& entry)
{
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t') {
            if (fields.size() == kFieldCount)
                return false;
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (fields.size() != kFieldCount)
        return false;
    const long long kMax = 0x7FFFFFFFFFFFFFFFLL;
    long long processId = 0;
    long long error = 0;
    std::string failure;
    bool parsed = ParseNumber(fields[0], 0, kMax, entry.timeUs) && ParseNumber(fields[1], 0, kMax, entry.durationUs) &&
                  ParseNumber(fields[2], 0, kMax, processId) && ParseText(fields[3], entry.process) &&
                  ParseText(fields[4], entry.library) && ParseText(fields[5], entry.call) &&
                  ParseText(fields[6], entry.arguments) && ParseText(fields[7], entry.address) &&
                  ParseSetting(fields[8], 1, entry.termInEoi) && ParseSetting(fields[9], 255, entry.termInEos) &&
                  ParseSetting(fields[10], 1, entry.termOutEoi) && ParseSetting(fields[11], 255, entry.termOutEos) &&
                  ParseNumber(fields[12], kNotTraced, kMax, entry.timeoutMs) &&
                  ParseWord(fields[13], kTransferWords, 3, entry.transfer) &&
                  ParseNumber(fields[14], kNotTraced, kMax, entry.dataLength) && ParseText(fields[15], entry.data) &&
                  ParseNumber(fields[16], -kMax, kMax, entry.result) &&
                  ParseNumber(fields[17], -2147483647LL, 2147483647LL, error) &&
                  ParseText(fields[18], entry.errorText) && ParseText(fields[19], failure) &&
                  ParseWord(failure, kFailureWords, 4, entry.failure);
    entry.processId = processId;
    entry.error = static_cast<int>(error);
    return parsed;
}
