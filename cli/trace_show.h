// How quenbus trace shows the trace's entries: one line each in a fixed
// layout, and which entries a show picks.
#pragma once

#include "trace/trace_entry.h"

#include <string>

struct TraceFilter {
    std::string process;  // a program's name (".exe" may be left off) or its process id; "" for all
    std::string address;  // a device (IEEE0:22) or an interface with its devices (IEEE0); "" for all
    bool errorsOnly = false;
};

bool EntryMatches(const TraceEntry& entry, const TraceFilter& filter);

// "2026-12-09 20:15:03.123456" in local time.
std::string LocalTime(long long timeUs);
// "2026-12-09T20:15:03.123456Z".
std::string UtcTime(long long timeUs);

// TIME PROCESS[PID] CALL ADDRESS = RESULT (DURATION) DATA; a failure adds
// its error, and a failed read the terminator and time-out it went by.
std::string ShownEntry(const TraceEntry& entry);

// The input end a read went by: "END or CR (\r)", "LF (\n)", "END", "nothing".
std::string InputEndText(const TraceEntry& entry);
// A byte by its name: "CR (\r)", "LF (\n)", or quoted.
std::string ByteName(int byte);
