#include "buslink/connection.h"

int Connection::LastError() const
{
    return sicl_ ? 0 : DrvLastError(id_, 0);
}

std::string Connection::LastErrorText() const
{
    switch (LastError()) {
    case DRV_ERR_NONE:
        return sicl_ ? "the SICL library reports a failure" : "no error is recorded";
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
    }
    return "error " + std::to_string(LastError());
}
