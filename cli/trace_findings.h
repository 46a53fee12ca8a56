// What the trace's recent failures say is wrong, each with the fix, for
// quenbus check: reads that timed out although a reply came, whose end the
// read never saw; writes that found no listener; repeated time-outs on one
// device.
#pragma once

#include "trace/trace_entry.h"

#include <string>
#include <vector>

// How far back check looks.
const long long kRecentTraceUs = 3600LL * 1000000;
// Time-outs on one device from which on they are a finding of their own.
const int kRepeatedTimeouts = 3;

// The findings in the entries since `nowUs` - kRecentTraceUs, one a line,
// each beginning with "trace: ADDRESS: ".
std::vector<std::string> TraceFindings(const std::vector<TraceEntry>& entries, long long nowUs);
