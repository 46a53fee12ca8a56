#include "drovane/driver_error_text.h"

std::string DriverErrorText(int error)
{
    switch (error) {
    case DRV_ERR_NONE:
        return "no error is recorded";
    case DRV_ERR_NO_LISTENER:
        return "nothing listens at that address";
    case DRV_ERR_TIMEOUT:
        return "the device did not answer in time";
    case DRV_ERR_BAD_ARGUMENT:
        return "an argument is out of range";
    case DRV_ERR_BAD_HANDLE:
        return "the device is not open";
    case DRV_ERR_NO_BOARD:
        return "the interface's board or adapter is not there";
    case DRV_ERR_UNKNOWN_NAME:
        return "no interface of that name";
    case DRV_ERR_NOT_SUPPORTED:
        return "the interface's adapter cannot do that";
    case DRV_ERR_IO:
        return "the gateway reports an I/O error on the bus";
    case DRV_ERR_BUSY:
        return "the interface is busy, or another link holds the device's lock";
    }
    return "error " + std::to_string(error);
}
