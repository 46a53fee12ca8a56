#include "buslink/connection.h"

int Connection::LastError() const
{
    return sicl_ ? siclError_ : DrvLastError(id_, 0);
}

std::string Connection::LastErrorText() const
{
    if (!missing_.empty())
        return std::string("the ") + (sicl_ ? "SICL" : "bus driver") + " library on this machine does not offer " +
               missing_;
    if (sicl_ && LastError() == DRV_ERR_NONE)
        return "the SICL library reports a failure";
    return DriverErrorText(LastError());
}
