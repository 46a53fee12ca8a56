#include "buslink/interface_check.h"

#include "drovane/drovane.h"

DriverCheck CheckDriverName(const char* name)
{
    DrvPrepare(-1, 0);
    int handle = DrvOpenName(name);
    if (handle >= 0) {
        DrvClose(handle);
        return DriverCheck::Accepted;
    }
    return DriverCheckFromError(DrvLastError(-1, 0));
}
