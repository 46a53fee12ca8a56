// One call as the I/O trace records it, and its line in the trace file: the
// fields in a fixed order, separated by tabs, texts quoted with escapes, so
// that an entry is always one line.
#pragma once

#include <cstddef>
#include <string>

// Why a call failed, as far as the trace's analysis cares.
enum class TraceFailure { None, Timeout, NoListener, Other };

// What a call moved over the bus.
enum class TraceTransfer { None, Write, Read };

// A setting that does not apply to the call.
const int kNotTraced = -1;

struct TraceEntry {
    long long timeUs = 0;      // the call's start, microseconds since 1970 (UTC)
    long long durationUs = 0;
    long long processId = 0;
    std::string process;       // the program's name
    std::string library;       // "drovane" or "sicl"
    std::string call;          // the export's name
    std::string arguments;     // as the bus log writes them, cut at kTracedArguments
    std::string address;       // the interface or device: "IEEE0", "IEEE0,22", "hpib7,22"; "" for none
    // The device's settings in force; kNotTraced where none applies. An
    // end-of-string character is its code, kNotTraced for none.
    int termInEoi = kNotTraced;
    int termInEos = kNotTraced;
    int termOutEoi = kNotTraced;
    int termOutEos = kNotTraced;
    long long timeoutMs = kNotTraced;
    TraceTransfer transfer = TraceTransfer::None;
    long long dataLength = kNotTraced; // the bytes written or arrived, also on failure
    std::string data;                  // the first kTracedData of them
    long long result = 0;
    int error = 0;
    std::string errorText;
    TraceFailure failure = TraceFailure::None;
};

// The most bytes of data, and characters of arguments, an entry keeps.
const size_t kTracedData = 96;
const size_t kTracedArguments = 200;

// The first line of a trace file.
extern const char kTraceHeader[];

// The entry's line, without its line feed.
std::string TraceLine(const TraceEntry& entry);
// The entry a line holds (without its line feed); false for anything else,
// `entry` then undefined.
bool ParseTraceLine(const std::string& line, TraceEntry& entry);

// "timeout", "no listener", "other" or "".
const char* FailureWord(TraceFailure failure);
// "write", "read" or "".
const char* TransferWord(TraceTransfer transfer);
