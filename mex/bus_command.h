// One call of busquery or buswrite: the two commands are one program in two
// variants.
#pragma once

#include <mex.h>

struct BusCommand {
    // busquery reads and returns a reply; buswrite only sends.
    bool query;
    const char* argumentCountMessage;
    const char* argumentTypeMessage;
    const char* addressLengthMessage;
};

void RunBusCommand(const BusCommand& command, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
