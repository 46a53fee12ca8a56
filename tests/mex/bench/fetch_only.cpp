// The yardstick of the MEX benchmark: a MEX function that only checks and
// fetches its two string arguments, as busquery does before any transfer.
#include <mex.h>

void mexFunction(int, mxArray*[], int nrhs, const mxArray* prhs[])
{
    if (nrhs != 2) {
        mexErrMsgTxt("FETCH_ONLY requires two input argument.");
        return;
    }
    if (!mxIsChar(prhs[0]) || !mxIsChar(prhs[1])) {
        mexErrMsgTxt("FETCH_ONLY arguments should be strings.");
        return;
    }
    for (int i = 0; i < 2; ++i) {
        size_t length = mxGetM(prhs[i]) * mxGetN(prhs[i]) + 1;
        char* text = static_cast<char*>(mxCalloc(length, 1));
        mxGetString(prhs[i], text, length);
        mxFree(text);
    }
}
