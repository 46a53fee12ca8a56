// status = buswrite(address, command): sends the command to the instrument at
// the address and returns the status (bits: 1 open, 2 send, 4 close failed).
#include "mex/bus_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const BusCommand kBusWrite = {
        false,
        "BUSWRITE requires two input argument.",
        "BUSWRITE arguments should be strings.",
        "BUSWRITE address must not be longer than 19 characters.",
    };
    RunBusCommand(kBusWrite, nlhs, plhs, nrhs, prhs);
}
