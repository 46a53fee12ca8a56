// stb = buswaitsrq(address, timeoutMs): waits at most timeoutMs milliseconds
// (4294967295 or Inf: without end) for the instrument at the address to
// request service, and returns its status byte from the poll that takes the
// request; [stb, status] = buswaitsrq(...) also returns the status (bits:
// 1 open, 2 the wait, a time-out too, 4 close failed).
#include "mex/operation_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const OperationCommand kBusWaitSrq = {"BUSWAITSRQ", DeviceOperation::WaitRequest};
    RunOperationCommand(kBusWaitSrq, nlhs, plhs, nrhs, prhs);
}
