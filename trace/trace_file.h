// The trace file in the user's profile: one header line, then one line per
// entry, appended by every process that records, under the file's lock. At
// its cap the oldest entries go first.
#pragma once

#include "trace/trace_entry.h"

#include <string>
#include <vector>

// QUENBUS_TRACE_FILE when set; else quenbus\io-trace.txt in the local
// application data (Windows) or quenbus/io-trace.txt in the state folder
// ($XDG_STATE_HOME, or ~/.local/state). "" when there is no profile.
std::string TraceFilePath();

// Adds the entry's line at the end. A trace that would grow beyond `cap`
// bytes keeps its newest entries, half the cap of them; a file that does
// not begin with the header is started afresh. False when the file cannot
// be written.
bool AppendTraceEntry(const std::string& path, const TraceEntry& entry, size_t cap);

struct TraceReading {
    bool found = false;          // the file is there
    bool readable = false;       // and could be read
    std::string problem;         // why not
    bool headerDamaged = false;  // it does not begin with the header
    size_t damagedLines = 0;     // lines that hold no entry
    std::vector<TraceEntry> entries;
    // The text of each entry's line, for following the file as it grows.
    std::vector<std::string> lines;
};

TraceReading ReadTraceFile(const std::string& path);

// Leaves the header only; true when there is no file either.
bool ClearTraceFile(const std::string& path, std::string& problem);
