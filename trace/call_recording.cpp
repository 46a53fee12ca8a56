#include "trace/call_recording.h"

#include "simbus/trace.h"
#include "trace/process_identity.h"
#include "trace/trace_file.h"
#include "trace/trace_switch.h"

CallRecording::CallRecording(const char* library, const char* call) : start_(std::chrono::steady_clock::now())
{
    using namespace std::chrono;
    entry_.timeUs = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    entry_.processId = ProcessId();
    entry_.process = ProcessName();
    entry_.library = library;
    entry_.call = call;
}

void CallRecording::Data(TraceTransfer transfer, const char* data, size_t count)
{
    entry_.transfer = transfer;
    entry_.dataLength = static_cast<long long>(count);
    entry_.data = data ? std::string(data, count < kTracedData ? count : kTracedData) : std::string();
}

void CallRecording::Finish(const std::string& arguments, long long result, int error, const std::string& errorText,
                           TraceFailure failure)
{
    using namespace std::chrono;
    entry_.durationUs = duration_cast<microseconds>(steady_clock::now() - start_).count();
    if (TraceEnabled())
        TraceCall(entry_.call + "(" + arguments + ")", result, error);
    entry_.arguments =
        arguments.size() > kTracedArguments ? arguments.substr(0, kTracedArguments) + "..." : arguments;
    entry_.result = result;
    entry_.error = error;
    entry_.errorText = errorText;
    entry_.failure = failure;
    AppendTraceEntry(TraceFilePath(), entry_, TraceCap());
}
