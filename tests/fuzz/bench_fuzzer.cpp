// Fuzz target: the input as a bench definition through ParseBench. A bench
// it takes holds only valid entries, writes back to a definition that parses
// to the same bench, and runs on a simulated bus.
#include "fuzz_support.h"

#include "simbus/bench.h"
#include "simbus/sim_bus.h"

namespace {

const char* KindName(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::Multimeter: return "multimeter";
    case InstrumentKind::Echo: return "echo";
    case InstrumentKind::Silent: return "silent";
    case InstrumentKind::Talker: return "talker";
    case InstrumentKind::Reply: return "reply";
    case InstrumentKind::Block: return "block";
    case InstrumentKind::Indefinite: return "indefinite";
    case InstrumentKind::Readings: return "readings";
    case InstrumentKind::Store: return "store";
    case InstrumentKind::Recorder: return "recorder";
    }
    return "?";
}

// A quoted text with the escapes the bench takes.
std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            quoted += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            quoted += hex;
        }
    }
    return quoted + "\"";
}

std::string Definition(const Bench& bench)
{
    std::string text = bench.realTime ? "timing real\n" : "";
    for (const BenchEntry& entry : bench.entries) {
        text += std::to_string(entry.primary);
        if (entry.secondary != GPIB_NO_SECONDARY)
            text += "," + std::to_string(entry.secondary);
        text += std::string(" ") + KindName(entry.kind);
        if (entry.kind == InstrumentKind::Multimeter || entry.kind == InstrumentKind::Reply)
            text += " " + Quote(entry.text);
        if (entry.kind == InstrumentKind::Talker || entry.kind == InstrumentKind::Block ||
            entry.kind == InstrumentKind::Indefinite || entry.kind == InstrumentKind::Readings)
            text += " " + std::to_string(entry.length);
        text += "\n";
    }
    return text;
}

bool SameEntry(const BenchEntry& a, const BenchEntry& b)
{
    return a.primary == b.primary && a.secondary == b.secondary && a.kind == b.kind && a.text == b.text &&
           a.length == b.length;
}

void CheckEntry(const BenchEntry& entry)
{
    FUZZ_CHECK(entry.primary >= 0 && entry.primary <= GPIB_MAX_ADDRESS, "primary address %d", entry.primary);
    FUZZ_CHECK(entry.secondary == GPIB_NO_SECONDARY || (entry.secondary >= 0 && entry.secondary <= GPIB_MAX_ADDRESS),
               "secondary address %d", entry.secondary);
    FUZZ_CHECK(entry.kind != InstrumentKind::Talker || (entry.length >= 1 && entry.length <= 65536),
               "talker length %zu", entry.length);
    FUZZ_CHECK((entry.kind != InstrumentKind::Block && entry.kind != InstrumentKind::Indefinite) ||
                   (entry.length >= 1 && entry.length <= 268435456),
               "block length %zu", entry.length);
    FUZZ_CHECK(entry.kind != InstrumentKind::Readings || (entry.length >= 1 && entry.length <= 1000000),
               "readings count %zu", entry.length);
}

// What an instrument of the entry answers to "*IDN?".
std::string Answer(const BenchEntry& entry)
{
    switch (entry.kind) {
    case InstrumentKind::Multimeter: return entry.text + "\n";
    case InstrumentKind::Echo: return "*IDN?";
    case InstrumentKind::Silent: return "";
    case InstrumentKind::Talker: {
        std::string text;
        for (size_t i = 0; i < entry.length; ++i)
            text += static_cast<char>('A' + i % 26);
        return text;
    }
    case InstrumentKind::Reply: return entry.text;
    case InstrumentKind::Block: return "Simbus,Block,0,1.0\n";
    case InstrumentKind::Indefinite: return "Simbus,Indefinite,0,1.0\n";
    case InstrumentKind::Readings: return "Simbus,Readings,0,1.0\n";
    case InstrumentKind::Store: return "Simbus,Store,0,1.0\n";
    case InstrumentKind::Recorder: return "Simbus,Recorder,0,1.0\n";
    }
    return "";
}

// Each instrument takes "*IDN?" and gives its answer, cut to the read's size;
// one that sends no END gives it to a read that then times out.
void RunOnBus(const Bench& bench)
{
    Bench simulated = bench;
    simulated.realTime = false;
    SimBus bus(simulated);
    for (const BenchEntry& entry : bench.entries) {
        FUZZ_CHECK(bus.Write(entry.primary, entry.secondary, "*IDN?\n", 6, true), "nothing listens at %d,%d",
                   entry.primary, entry.secondary);
        char buffer[64];
        size_t count = sizeof buffer + 1;
        bool read = bus.Read(entry.primary, entry.secondary, buffer, sizeof buffer, true, -1, 0, &count);
        std::string answer = Answer(entry);
        std::string expected = answer.substr(0, sizeof buffer);
        // Without END a read ends only when its buffer fills; the bytes arrive all the same.
        bool ends = !expected.empty() && (!entry.noEnd || answer.size() >= sizeof buffer);
        FUZZ_CHECK(read == ends && std::string(buffer, count <= sizeof buffer ? count : 0) == expected,
                   "the %s at %d,%d answers %zu bytes, not the %zu expected", KindName(entry.kind), entry.primary,
                   entry.secondary, count, expected.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    Bench bench;
    std::string error;
    if (!ParseBench(text, bench, error)) {
        FUZZ_CHECK(error.compare(0, 5, "line ") == 0, "a refused bench without its line: \"%s\"", error.c_str());
        return 0;
    }
    FUZZ_CHECK(error.empty(), "a bench taken with the error \"%s\"", error.c_str());
    for (size_t i = 0; i < bench.entries.size(); ++i) {
        CheckEntry(bench.entries[i]);
        for (size_t j = 0; j < i; ++j) {
            FUZZ_CHECK(bench.entries[i].primary != bench.entries[j].primary ||
                           bench.entries[i].secondary != bench.entries[j].secondary,
                       "two instruments at %d,%d", bench.entries[i].primary, bench.entries[i].secondary);
        }
    }

    std::string written = Definition(bench);
    Bench again;
    FUZZ_CHECK(ParseBench(written, again, error), "the bench written back does not parse (%s):\n%s", error.c_str(),
               written.c_str());
    FUZZ_CHECK(again.realTime == bench.realTime && again.entries.size() == bench.entries.size(),
               "the bench written back differs:\n%s", written.c_str());
    for (size_t i = 0; i < bench.entries.size(); ++i)
        FUZZ_CHECK(SameEntry(bench.entries[i], again.entries[i]), "entry %zu differs when written back:\n%s", i,
                   written.c_str());
    RunOnBus(bench);
    return 0;
}
