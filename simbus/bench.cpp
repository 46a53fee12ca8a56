#include "simbus/bench.h"

#include "text/quoted_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

const char kDefaultIdentification[] = "Simbus,Multimeter,0,1.0";

const char kDefaultBench[] =
    "22 multimeter\n"
    "5 echo\n"
    "9 silent\n"
    "12 talker 300\n"
    "13 reply \"AB\\0CD\"\n"
    "14 block 256\n"
    "15 indefinite 256\n"
    "16 block 16777216\n"
    "17 readings 10000\n"
    "18 store\n";

namespace {

struct KindName {
    const char* name;
    InstrumentKind kind;
    long maxNumber;         // the most its number argument takes, 0 for none
    const char* numberName; // what that number is
};

const KindName kKinds[] = {
    {"multimeter", InstrumentKind::Multimeter, 0, nullptr},
    {"echo", InstrumentKind::Echo, 0, nullptr},
    {"silent", InstrumentKind::Silent, 0, nullptr},
    {"talker", InstrumentKind::Talker, 65536, "length"},
    {"reply", InstrumentKind::Reply, 0, nullptr},
    {"block", InstrumentKind::Block, 268435456, "length"},
    {"indefinite", InstrumentKind::Indefinite, 268435456, "length"},
    {"readings", InstrumentKind::Readings, 1000000, "count"},
    {"store", InstrumentKind::Store, 0, nullptr},
    {"recorder", InstrumentKind::Recorder, 0, nullptr},
};

// A decimal number within [low, high], taking all of `text`.
bool ParseNumber(const std::string& text, long low, long high, long& number)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    number = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && number >= low && number <= high;
}

bool ParseAddress(const std::string& token, BenchEntry& entry)
{
    size_t comma = token.find(',');
    long primary = 0;
    long secondary = GPIB_NO_SECONDARY;
    if (!ParseNumber(token.substr(0, comma), 0, GPIB_MAX_ADDRESS, primary))
        return false;
    if (comma != std::string::npos && !ParseNumber(token.substr(comma + 1), 0, GPIB_MAX_ADDRESS, secondary))
        return false;
    entry.primary = static_cast<int>(primary);
    entry.secondary = static_cast<int>(secondary);
    return true;
}

// Splits at blanks up to a '#' that starts a comment; a quoted token may
// hold blanks and '#'.
std::vector<std::string> Tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size() && line[i] != '#') {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        size_t start = i;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\')
                    ++i;
            }
            i = i < line.size() ? i + 1 : line.size();
        } else {
            while (i < line.size() && line[i] != '#' && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
        }
        tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

bool ParseEntry(const std::vector<std::string>& tokens, BenchEntry& entry, std::string& error)
{
    if (!ParseAddress(tokens[0], entry)) {
        error = "bad address " + tokens[0];
        return false;
    }
    if (tokens.size() < 2) {
        error = "missing instrument kind";
        return false;
    }
    const KindName* kind = nullptr;
    for (const KindName& candidate : kKinds) {
        if (tokens[1] == candidate.name)
            kind = &candidate;
    }
    if (!kind) {
        error = "unknown instrument kind " + tokens[1];
        return false;
    }
    entry.kind = kind->kind;
    const std::string argument = tokens.size() > 2 ? tokens[2] : "";
    bool needsArgument = kind->maxNumber > 0 || kind->kind == InstrumentKind::Reply;
    bool takesArgument = needsArgument || kind->kind == InstrumentKind::Multimeter;
    if (tokens.size() > (takesArgument ? 3u : 2u) || (needsArgument && tokens.size() < 3)) {
        error = needsArgument ? std::string(kind->name) + " needs one argument"
                              : std::string("too many arguments for ") + kind->name;
        return false;
    }
    long length = 0;
    if (kind->maxNumber > 0) {
        if (ParseNumber(argument, 1, kind->maxNumber, length))
            entry.length = static_cast<size_t>(length);
        else
            error = std::string("bad ") + kind->name + " " + kind->numberName + " " + argument;
    } else if (kind->kind == InstrumentKind::Multimeter) {
        if (argument.empty())
            entry.text = kDefaultIdentification;
        else if (!ParseQuotedText(argument, entry.text))
            error = "bad identification text";
    } else if (kind->kind == InstrumentKind::Reply) {
        if (!ParseQuotedText(argument, entry.text))
            error = "bad reply text";
    }
    return error.empty();
}

bool ParseLine(const std::string& line, Bench& bench, std::string& error)
{
    std::vector<std::string> tokens = Tokens(line);
    if (tokens.empty())
        return true;
    if (tokens[0] == "timing") {
        if (tokens.size() == 2 && (tokens[1] == "real" || tokens[1] == "simulated")) {
            bench.realTime = tokens[1] == "real";
            return true;
        }
        error = "timing is real or simulated";
        return false;
    }
    BenchEntry entry;
    // "noend" last: an instrument whose replies end without END.
    entry.noEnd = tokens.size() > 2 && tokens.back() == "noend";
    if (entry.noEnd)
        tokens.pop_back();
    if (!ParseEntry(tokens, entry, error))
        return false;
    for (const BenchEntry& other : bench.entries) {
        if (other.primary == entry.primary && other.secondary == entry.secondary) {
            error = "address " + tokens[0] + " is taken";
            return false;
        }
    }
    bench.entries.push_back(entry);
    return true;
}

} // namespace

bool ParseBench(const std::string& text, Bench& bench, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!ParseLine(line, bench, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

bool ReadBenchFile(const char* path, Bench& bench, std::string& error)
{
    if (!path || !*path)
        return ParseBench(kDefaultBench, bench, error);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the file";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseBench(text.str(), bench, error);
}

Bench LoadProcessBench()
{
    Bench bench;
    std::string error;
    const char* path = std::getenv("QUENBUS_SIMBUS_BENCH");
    if (ReadBenchFile(path, bench, error))
        return bench;
    std::fprintf(stderr, "simbus: %s: %s; the bus is empty\n", path, error.c_str());
    return Bench();
}
