// status = buswriteblock(address, command, data): sends the command followed
// by the data as a definite-length block, END with its last byte, and
// returns the status (bits: 1 open, 2 send, 4 close failed).
#include "mex/block_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    RunBusWriteBlock(nlhs, plhs, nrhs, prhs);
}
