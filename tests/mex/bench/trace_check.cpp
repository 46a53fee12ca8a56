// The trace benchmark's yardstick: trace_check(COUNT) asks the trace's switch
// COUNT times, as each library call does before its work, and returns how
// many of those times it was on.
#include "trace/trace_switch.h"

#include <mex.h>

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs != 1 || !mxIsDouble(prhs[0])) {
        mexErrMsgTxt("TRACE_CHECK requires a count.");
        return;
    }
    long long count = static_cast<long long>(mxGetScalar(prhs[0]));
    double on = 0;
    for (long long i = 0; i < count; ++i)
        on += TraceWanted() ? 1 : 0;
    if (nlhs >= 1)
        plhs[0] = mxCreateDoubleScalar(on);
}
