// status = bustrigger(address): sends the group execute trigger to the
// instrument at the address; the status has the bits of busquery's (1 open,
// 2 the trigger, 4 close failed).
#include "mex/operation_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const OperationCommand kBusTrigger = {"BUSTRIGGER", DeviceOperation::Trigger};
    RunOperationCommand(kBusTrigger, nlhs, plhs, nrhs, prhs);
}
