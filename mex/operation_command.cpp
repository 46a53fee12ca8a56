#include "mex/operation_command.h"

#include "buslink/transfers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

// mexErrMsgTxt does not return to its caller: every check comes before
// anything that would need freeing, its texts made in plain arrays, and the
// operation's own strings are gone before the warning is shown.
namespace {

using CharCode = std::make_unsigned<mxChar>::type;

struct Outcome {
    uint8_t status;
    uint8_t statusByte;
    char warning[512]; // empty when nothing failed
};

size_t ElementCount(const mxArray* input)
{
    return mxGetM(input) * mxGetN(input);
}

// Reports "NAME text" as the error.
void Refuse(const OperationCommand& command, const char* text)
{
    char message[160];
    std::snprintf(message, sizeof message, "%s %s", command.name, text);
    mexErrMsgTxt(message);
}

bool Answers(DeviceOperation operation)
{
    return operation == DeviceOperation::SerialPoll || operation == DeviceOperation::WaitRequest;
}

template <typename Number> double FirstAs(const mxArray* input)
{
    return static_cast<double>(*static_cast<const Number*>(mxGetData(input)));
}

// The value of a real numeric scalar of any class; NaN for another class.
double ScalarValue(const mxArray* input)
{
    switch (mxGetClassID(input)) {
    case mxDOUBLE_CLASS:
        return *mxGetPr(input);
    case mxSINGLE_CLASS:
        return FirstAs<float>(input);
    case mxINT8_CLASS:
        return FirstAs<int8_t>(input);
    case mxUINT8_CLASS:
        return FirstAs<uint8_t>(input);
    case mxINT16_CLASS:
        return FirstAs<int16_t>(input);
    case mxUINT16_CLASS:
        return FirstAs<uint16_t>(input);
    case mxINT32_CLASS:
        return FirstAs<int32_t>(input);
    case mxUINT32_CLASS:
        return FirstAs<uint32_t>(input);
    case mxINT64_CLASS:
        return FirstAs<int64_t>(input);
    case mxUINT64_CLASS:
        return FirstAs<uint64_t>(input);
    default:
        return NAN;
    }
}

// A wait's time-out: whole milliseconds 0 to DRV_WAIT_FOREVER (no end), Inf
// the same as that; false for anything else.
bool WaitTimeout(const mxArray* input, unsigned long& timeoutMs)
{
    if (!mxIsNumeric(input) || mxIsComplex(input) || ElementCount(input) != 1)
        return false;
    const double longest = static_cast<double>(DRV_WAIT_FOREVER);
    double value = ScalarValue(input);
    if (std::isinf(value) && value > 0)
        value = longest;
    if (!(value >= 0 && value <= longest) || value != std::floor(value))
        return false;
    timeoutMs = static_cast<unsigned long>(value);
    return true;
}

// The operation, its strings gone when it returns.
Outcome Run(const OperationCommand& command, char* address, unsigned long timeoutMs)
{
    OperationTransfer transfer = RunDeviceOperation(address, command.operation, timeoutMs);
    Outcome outcome = {transfer.status, transfer.statusByte, ""};
    if (!transfer.problem.empty())
        std::snprintf(outcome.warning, sizeof outcome.warning, "%s: %s", command.name, transfer.problem.c_str());
    return outcome;
}

mxArray* Scalar(double value)
{
    mxArray* matrix = mxCreateDoubleMatrix(1, 1, mxREAL);
    *mxGetPr(matrix) = value;
    return matrix;
}

} // namespace

void RunOperationCommand(const OperationCommand& command, int nlhs, mxArray* plhs[], int nrhs,
                         const mxArray* prhs[])
{
    const bool waits = command.operation == DeviceOperation::WaitRequest;
    if (nrhs != (waits ? 2 : 1)) {
        Refuse(command, waits ? "requires two input arguments." : "requires one input argument.");
        return;
    }
    if (!mxIsChar(prhs[0])) {
        Refuse(command, "address should be a string.");
        return;
    }
    const size_t length = ElementCount(prhs[0]);
    if (length >= kAddressSize) {
        Refuse(command, "address must not be longer than 19 characters.");
        return;
    }
    unsigned long timeoutMs = 0;
    if (waits && !WaitTimeout(prhs[1], timeoutMs)) {
        Refuse(command, "timeout should be a whole number of milliseconds, 0 to 4294967295, or Inf.");
        return;
    }
    char address[kAddressSize];
    std::memset(address, 0, sizeof address);
    const mxChar* chars = mxGetChars(prhs[0]);
    for (size_t i = 0; i < length; ++i)
        address[i] = static_cast<char>(static_cast<CharCode>(chars[i]));

    Outcome outcome = Run(command, address, timeoutMs);
    if (outcome.warning[0])
        mexWarnMsgTxt(outcome.warning);
    if (Answers(command.operation)) {
        plhs[0] = Scalar(outcome.statusByte);
        if (nlhs >= 2)
            plhs[1] = Scalar(outcome.status);
    } else {
        plhs[0] = Scalar(outcome.status);
    }
}
