// busclear, bustrigger, busspoll, buswaitsrq and buslocal: one GPIB operation
// on one instrument, the five commands one program in five variants.
#pragma once

#include "buslink/device_operations.h"

#include <mex.h>

struct OperationCommand {
    const char* name; // as its messages begin: "BUSCLEAR"
    DeviceOperation operation;
};

// status = NAME(address); for a poll or a wait [stb, status] = NAME(address),
// a wait's second argument its time-out in milliseconds.
void RunOperationCommand(const OperationCommand& command, int nlhs, mxArray* plhs[], int nrhs,
                         const mxArray* prhs[]);
