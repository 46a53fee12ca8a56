// A floor of the block benchmark: what returning N bytes costs in the host,
// a 1-by-N uint8 array made and filled from a buffer the function holds.
#include <mex.h>

#include <cstring>
#include <vector>

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs != 1 || !mxIsDouble(prhs[0])) {
        mexErrMsgTxt("RETURN_BYTES requires the number of bytes.");
        return;
    }
    size_t count = static_cast<size_t>(*mxGetPr(prhs[0]));
    static std::vector<char> bytes;
    bytes.resize(count, '\x5a');
    plhs[0] = mxCreateNumericMatrix(1, count, mxUINT8_CLASS, mxREAL);
    std::memcpy(mxGetData(plhs[0]), bytes.data(), count);
    (void)nlhs;
}
