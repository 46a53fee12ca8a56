// The second yardstick of the MEX benchmark: fetches its two strings as
// fetch_only does, then makes the library calls that busquery makes for the
// address, straight: SICL for "hpib7,PRIMARY", the bus driver library for
// "IEEEn,PRIMARY". It checks nothing; asked for an output, it returns the
// reply as busquery does, else nothing.
#include "drovane/drovane.h"
#include "sicl/sicl32.h"

#include <mex.h>

#include <cstdlib>
#include <cstring>

namespace {

void SiclCycle(const char* address, const char* text, char* reply)
{
    int id = SiclOpen(address);
    SiclTimeout(id, 20000);
    SiclTermChar(id, '\r');
    SiclPromptf(id, "%s\n", "%255t", text, reply);
    SiclClose(id);
    SiclCleanup();
}

void BusDriverCycle(char* address, const char* text, char* reply, size_t replySize)
{
    uint8_t primary = static_cast<uint8_t>(std::atoi(address + 6));
    address[5] = '\0';
    DrvTermRecord terminator = {};
    terminator.eoi = 1;
    terminator.eosEnabled = 1;
    terminator.eosChar = '\r';
    int id = DrvOpenDevice(address, "TEMP", primary, 255, &terminator, &terminator, 20000);
    DrvWrite(id, text, std::strlen(text), 1, 1, 0, 0, 0);
    DrvRead(id, reply, replySize, 1, 0, 0, 0);
    DrvClose(id);
    reply[replySize - 1] = '\0';
}

} // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs != 2 || !mxIsChar(prhs[0]) || !mxIsChar(prhs[1])) {
        mexErrMsgTxt("LIBRARY_CYCLE requires two strings.");
        return;
    }
    char* texts[2];
    for (int i = 0; i < 2; ++i) {
        size_t length = mxGetM(prhs[i]) * mxGetN(prhs[i]) + 1;
        texts[i] = static_cast<char*>(mxCalloc(length, 1));
        mxGetString(prhs[i], texts[i], length);
    }
    char reply[256] = "";
    if (texts[0][0] == 'h')
        SiclCycle(texts[0], texts[1], reply);
    else if (std::strlen(texts[0]) > 6)
        BusDriverCycle(texts[0], texts[1], reply, sizeof reply);
    mxFree(texts[0]);
    mxFree(texts[1]);
    if (nlhs >= 1)
        plhs[0] = mxCreateString(reply);
}
