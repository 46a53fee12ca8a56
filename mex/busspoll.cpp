// stb = busspoll(address): the status byte of the instrument at the address,
// by a serial poll, which takes its service request; [stb, status] =
// busspoll(...) also returns the status (bits: 1 open, 2 the poll, 4 close
// failed).
#include "mex/operation_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const OperationCommand kBusSpoll = {"BUSSPOLL", DeviceOperation::SerialPoll};
    RunOperationCommand(kBusSpoll, nlhs, plhs, nrhs, prhs);
}
