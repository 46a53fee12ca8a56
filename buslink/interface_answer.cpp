#include "buslink/interface_check.h"

#include "drovane/drovane.h"

DriverCheck DriverCheckFromError(int error)
{
    // Open already, or busy: the interface is there to use.
    if (error == DRV_ERR_ALREADY_OPEN || error == DRV_ERR_BUSY)
        return DriverCheck::Accepted;
    if (error == DRV_ERR_UNKNOWN_NAME)
        return DriverCheck::Unrecognised;
    return DriverCheck::Failed;
}
