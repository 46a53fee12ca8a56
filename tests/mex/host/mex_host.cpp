// The mex calls of our MEX host (libmex): an error report ends the MEX
// function and comes back to the caller of mexHostCall, as in MATLAB: by a
// long jump, which runs none of the MEX function's destructors.
#include "host_api.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {

struct Call {
    std::jmp_buf frame;
    char* message;
    size_t capacity;
};

thread_local Call* t_call = nullptr;
thread_local size_t t_warnings = 0;
thread_local char t_lastWarning[512] = "";

} // namespace

extern "C" {

MEX_HOST_EXPORT void mexErrMsgTxt(const char* message)
{
    Call* call = t_call;
    if (!call) {
        std::fprintf(stderr, "mexErrMsgTxt outside a MEX call: %s\n", message ? message : "");
        std::abort();
    }
    std::snprintf(call->message, call->capacity, "%s", message ? message : "");
    std::longjmp(call->frame, 1);
}

MEX_HOST_EXPORT void mexWarnMsgTxt(const char* message)
{
    std::fprintf(stderr, "warning: %s\n", message ? message : "");
    std::snprintf(t_lastWarning, sizeof t_lastWarning, "%s", message ? message : "");
    ++t_warnings;
}

MEX_HOST_EXPORT size_t mexHostWarnings()
{
    return t_warnings;
}

MEX_HOST_EXPORT const char* mexHostLastWarning()
{
    return t_lastWarning;
}

MEX_HOST_EXPORT int mexHostCall(MexEntry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[],
                                char* message, size_t capacity)
{
    Call call;
    call.message = message;
    call.capacity = capacity;
    Call* outer = t_call;
    t_call = &call;
    int failed = setjmp(call.frame);
    if (!failed)
        entry(nlhs, plhs, nrhs, prhs);
    t_call = outer;
    return failed ? 1 : 0;
}

} // extern "C"
