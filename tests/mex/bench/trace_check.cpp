// The trace benchmark's yardstick: trace_check(COUNT) asks the trace's switch
// COUNT times, as each library call does before its work, and returns how
// many of those times it was on; trace_check(COUNT, 'log') makes only the
// bus log's look at its variable, which each call made before the trace.
#include "simbus/trace.h"
#include "trace/trace_switch.h"

#include <mex.h>

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs < 1 || nrhs > 2 || !mxIsDouble(prhs[0]) || (nrhs == 2 && !mxIsChar(prhs[1]))) {
        mexErrMsgTxt("TRACE_CHECK requires a count, and 'log' for the bus log's look only.");
        return;
    }
    long long count = static_cast<long long>(mxGetScalar(prhs[0]));
    bool logOnly = nrhs == 2;
    double on = 0;
    for (long long i = 0; i < count; ++i)
        on += (logOnly ? TraceEnabled() : TraceWanted()) ? 1 : 0;
    if (nlhs >= 1)
        plhs[0] = mxCreateDoubleScalar(on);
}
