// A floor of the block benchmark: the bus driver library's read loop called
// straight, as a program that knows the reply's length would: open the
// device at "IEEEn,PRIMARY", send the command, read in 1 MiB reads into one
// buffer until END, close. It returns nothing and checks nothing but the
// number of bytes, which it returns when asked.
#include "drovane/drovane.h"

#include <mex.h>

#include <cstdlib>
#include <cstring>
#include <vector>

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs != 3 || !mxIsChar(prhs[0]) || !mxIsChar(prhs[1]) || !mxIsDouble(prhs[2])) {
        mexErrMsgTxt("BLOCK_READ_LOOP requires an address, a command and the reply's length.");
        return;
    }
    char address[32] = "";
    char command[64] = "";
    mxGetString(prhs[0], address, sizeof address);
    mxGetString(prhs[1], command, sizeof command);
    size_t length = static_cast<size_t>(*mxGetPr(prhs[2]));
    uint8_t primary = static_cast<uint8_t>(std::atoi(address + 6));
    address[5] = '\0';
    DrvTermRecord terminator = {};
    terminator.eoi = 1;
    int id = DrvOpenDevice(address, "TEMP", primary, 255, &terminator, &terminator, 20000);
    DrvWrite(id, command, std::strlen(command), 1, 1, 0, 0, 0);
    std::vector<char> buffer(length + 16);
    const size_t chunk = 1024 * 1024;
    size_t total = 0;
    int ended = DRV_END_FULL;
    while (ended == DRV_END_FULL && total < buffer.size()) {
        unsigned long count = 0;
        size_t size = buffer.size() - total < chunk ? buffer.size() - total : chunk;
        if (DrvReadEnded(id, buffer.data() + total, static_cast<unsigned long>(size), &count, &ended) != 0)
            break;
        total += count;
    }
    DrvClose(id);
    if (nlhs >= 1) {
        plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
        *mxGetPr(plhs[0]) = static_cast<double>(total);
    }
}
