// For the adapter's benchmark: hold_device(INTERFACE) opens a device on the
// interface and keeps it open, so that the library keeps its connection to
// the interface's adapter between calls; hold_device() closes it again.
#include "drovane/drovane.h"

#include <mex.h>

namespace {

int g_held = -1;

} // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    (void)nlhs;
    (void)plhs;
    if (g_held >= 0)
        DrvClose(g_held);
    g_held = -1;
    if (nrhs == 1 && mxIsChar(prhs[0])) {
        char name[16] = "";
        mxGetString(prhs[0], name, sizeof name);
        DrvTermRecord terminator = {};
        terminator.eoi = 1;
        g_held = DrvOpenDevice(name, "HELD", 22, DRV_NO_SECONDARY, &terminator, &terminator, 1000);
    }
}
