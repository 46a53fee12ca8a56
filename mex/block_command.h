// busblock and buswriteblock: a block read from, or sent to, one instrument.
#pragma once

#include <mex.h>

// data = busblock(address, command [, limit]); [data, status] = busblock(...)
void RunBusBlock(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
// status = buswriteblock(address, command, data)
void RunBusWriteBlock(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
