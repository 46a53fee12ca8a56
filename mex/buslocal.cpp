// status = buslocal(address): returns the instrument at the address to local
// control (go to local); the status has the bits of busquery's (1 open,
// 2 the go to local, 4 close failed).
#include "mex/operation_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const OperationCommand kBusLocal = {"BUSLOCAL", DeviceOperation::Local};
    RunOperationCommand(kBusLocal, nlhs, plhs, nrhs, prhs);
}
