#include "mex/bus_command.h"

#include "buslink/transfers.h"
#include "mex/host_block.h"

#include <cstring>

namespace {

// A copy of a character array from the host, as a NUL-terminated text.
char* FetchText(const mxArray* input)
{
    size_t length = mxGetM(input) * mxGetN(input) + 1;
    char* block = static_cast<char*>(mxCalloc(length, 1));
    mxGetString(input, block, length);
    return block;
}

mxArray* StatusMatrix(uint8_t status)
{
    mxArray* matrix = mxCreateDoubleMatrix(1, 1, mxREAL);
    *mxGetPr(matrix) = status;
    return matrix;
}

} // namespace

void RunBusCommand(const BusCommand& command, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    char reply[kReplySize];
    std::memset(reply, 0, sizeof reply);
    if (nrhs != 2) {
        mexErrMsgTxt(command.argumentCountMessage);
        return;
    }
    if (!mxIsChar(prhs[0]) || !mxIsChar(prhs[1])) {
        mexErrMsgTxt(command.argumentTypeMessage);
        return;
    }
    char address[kAddressSize];
    std::memset(address, 0, sizeof address);
    {
        HostBlock fetched(FetchText(prhs[0]));
        if (std::strlen(fetched.Get()) >= kAddressSize) {
            fetched.Free();
            mexErrMsgTxt(command.addressLengthMessage);
            return;
        }
        std::strcpy(address, fetched.Get());
    }
    HostBlock text(FetchText(prhs[1]));

    char* replyBuffer = command.query ? reply : nullptr;
    uint8_t status = Transfer(address, text, replyBuffer);

    if (command.query) {
        plhs[0] = mxCreateString(reply);
        if (nlhs >= 2)
            plhs[1] = StatusMatrix(status);
    } else {
        plhs[0] = StatusMatrix(status);
    }
}
