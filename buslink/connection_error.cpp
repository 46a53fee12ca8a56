#include "buslink/connection.h"

int Connection::LastError() const
{
    return sicl_ ? 0 : DrvLastError(id_, 0);
}
