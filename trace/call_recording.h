// One library call's trace entry: begun as the call begins, completed and
// added to the trace file as it ends. The libraries make one only while
// TraceWanted(), and fill in what the call moved and the settings in force.
#pragma once

#include "trace/trace_entry.h"

#include <chrono>
#include <string>

class CallRecording {
public:
    CallRecording(const char* library, const char* call);

    TraceEntry& Entry() { return entry_; }
    // What the call wrote or what arrived: its length, and its first bytes.
    void Data(TraceTransfer transfer, const char* data, size_t count);
    // The bus log's argument text, cut at kTracedArguments.
    void Arguments(const std::string& text);
    // The outcome; adds the entry to the trace, at the cap in force.
    void Finish(long long result, int error, const std::string& errorText, TraceFailure failure);

private:
    TraceEntry entry_;
    std::chrono::steady_clock::time_point start_;
};
