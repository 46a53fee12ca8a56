// The mex calls of our MEX host (libmex): an error report ends the MEX
// function and comes back to the caller of mexHostCall.
#include "host_api.h"

#include <cstdio>
#include <string>

namespace {

struct MexError {
    std::string message;
};

} // namespace

extern "C" {

MEX_HOST_EXPORT void mexErrMsgTxt(const char* message)
{
    throw MexError{message ? message : ""};
}

MEX_HOST_EXPORT int mexHostCall(MexEntry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[],
                                char* message, size_t capacity)
{
    try {
        entry(nlhs, plhs, nrhs, prhs);
        return 0;
    } catch (const MexError& error) {
        std::snprintf(message, capacity, "%s", error.message.c_str());
        return 1;
    }
}

} // extern "C"
