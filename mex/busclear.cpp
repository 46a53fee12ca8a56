// status = busclear(address): sends the device clear to the instrument at the
// address, which drops what it was doing and its unread reply; the status
// has the bits of busquery's (1 open, 2 the clear, 4 close failed).
#include "mex/operation_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const OperationCommand kBusClear = {"BUSCLEAR", DeviceOperation::Clear};
    RunOperationCommand(kBusClear, nlhs, plhs, nrhs, prhs);
}
