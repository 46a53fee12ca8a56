#include "buslink/connection.h"

#include "drovane/drovane.h"
#include "sicl/sicl32.h"

StepOutcome Connection::SendBytes(const char* data, size_t count, bool end)
{
    StepOutcome outcome;
    if (sicl_) {
        unsigned long sent = 0;
        outcome.ok = SiclWrite(id_, data, static_cast<unsigned long>(count), end ? 1 : 0, &sent) == 0;
        outcome.count = sent;
        return outcome;
    }
    long sent = DrvWriteBinary(id_, data, static_cast<unsigned long>(count), end ? 1 : 0);
    outcome.ok = sent >= 0;
    outcome.count = sent >= 0 ? static_cast<size_t>(sent) : 0;
    return outcome;
}
