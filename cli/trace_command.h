// quenbus trace: the I/O trace of every program that uses the bus driver or
// SICL library, switched on and off for all of them, shown, cleared and
// exported as JSON lines.
#pragma once

#include "cli/trace_show.h"
#include "trace/trace_file.h"

#include <cstddef>
#include <ostream>
#include <string>

// A cap: bytes, or a number with K, M or G, from kMinTraceCap to kMaxTraceCap.
bool ParseTraceCap(const std::string& text, size_t& cap);

// on / off; a `cap` of 0 keeps the cap as it is.
int TraceSwitchCommand(bool on, size_t cap, std::ostream& out, std::ostream& err);
// Whether tracing is on, where the trace is and what it holds.
int TraceStatusCommand(std::ostream& out, std::ostream& err);
// The entries that match, one a line; with `follow`, then those that come
// until the program is stopped.
int TraceShowCommand(const TraceFilter& filter, bool follow, std::ostream& out, std::ostream& err);
int TraceClearCommand(std::ostream& out, std::ostream& err);
// One JSON object a line, to `file` ("-" for the standard output).
int TraceExportCommand(const std::string& file, std::ostream& out, std::ostream& err);

// The entry as one JSON object on one line; data as a string whose code
// point n stands for byte n.
std::string EntryJson(const TraceEntry& entry);

// Says on `err` what is wrong with a trace file that was read; false when
// it could not be read at all.
bool ReportTraceReading(const std::string& path, const TraceReading& reading, std::ostream& err);
