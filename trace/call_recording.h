// One library call's trace entry: begun as the call begins, completed and
// added to the trace file as it ends, with the call's line in the bus log
// when that is on. The libraries make one only while TraceWanted(), and
// fill in what the call moved and the settings in force.
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
    // The outcome, with the bus log's argument text (the entry keeps
    // kTracedArguments of it): writes "call(arguments) = result" to the bus
    // log when that is on, and adds the entry to the trace at the cap in force.
    void Finish(const std::string& arguments, long long result, int error, const std::string& errorText,
                TraceFailure failure);

private:
    TraceEntry entry_;
    std::chrono::steady_clock::time_point start_;
};
