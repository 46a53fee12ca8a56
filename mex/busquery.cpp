// busquery(address, command): sends the command to the instrument at the
// address and returns its reply; [reply, status] = busquery(...) also returns
// the status (bits: 1 open, 2 send or read, 4 close failed).
#include "mex/bus_command.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const BusCommand kBusQuery = {
        true,
        "BUSQUERY requires two input argument.",
        "BUSQUERY arguments should be strings.",
        "BUSQUERY address must not be longer than 19 characters.",
    };
    RunBusCommand(kBusQuery, nlhs, plhs, nrhs, prhs);
}
