// What our MEX host offers its test program beside the MEX API: calling a
// MEX function with its errors caught, and an account of mxCalloc blocks.
#pragma once

#include "mex/api/mex.h"

#include <cstddef>

#ifdef _WIN32
#define MEX_HOST_EXPORT __declspec(dllexport)
#else
#define MEX_HOST_EXPORT __attribute__((visibility("default")))
#endif

typedef void (*MexEntry)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

extern "C" {
// Calls the entry: 0, or 1 when it reported an error through mexErrMsgTxt,
// whose text goes to `message` (cut to `capacity`).
MEX_HOST_EXPORT int mexHostCall(MexEntry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[],
                                char* message, size_t capacity);
// Frees the mxCalloc blocks still allocated, as the host does when a MEX
// function returns; returns how many there were.
MEX_HOST_EXPORT size_t mxHostReleaseBlocks();
// How many warnings mexWarnMsgTxt has shown on this thread.
MEX_HOST_EXPORT size_t mexHostWarnings();
// The text of the last of them, empty before the first.
MEX_HOST_EXPORT const char* mexHostLastWarning();
// How many times mxFree was given a block it had not allocated or had freed.
MEX_HOST_EXPORT size_t mxHostBadFrees();
}
