// data = busblock(address, command): sends the command to the instrument at
// the address and returns the IEEE 488.2 block of its reply as uint8 (a reply
// that holds none comes whole); [data, status] = busblock(...) also returns
// the status (bits: 1 open, 2 send or read, 4 close failed).
#include "mex/block_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    RunBusBlock(nlhs, plhs, nrhs, prhs);
}
