#include "mex/block_command.h"

#include "buslink/block_transfers.h"
#include "buslink/transfers.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

// mexErrMsgTxt does not return to its caller: every check comes before
// anything that would need freeing, with a text that needs none.
namespace {

using CharCode = std::make_unsigned<mxChar>::type;

size_t ElementCount(const mxArray* input)
{
    return mxGetM(input) * mxGetN(input);
}

// A character array as a text: the characters column by column, NULs included.
std::string TextOf(const mxArray* input)
{
    size_t count = ElementCount(input);
    const mxChar* chars = mxGetChars(input);
    std::string text(count, '\0');
    for (size_t i = 0; i < count; ++i)
        text[i] = static_cast<char>(static_cast<CharCode>(chars[i]));
    return text;
}

mxArray* StatusMatrix(uint8_t status)
{
    mxArray* matrix = mxCreateDoubleMatrix(1, 1, mxREAL);
    *mxGetPr(matrix) = status;
    return matrix;
}

void Warn(const char* name, const BlockTransfer& transfer)
{
    if (!transfer.problem.empty())
        mexWarnMsgTxt((std::string(name) + ": " + transfer.problem).c_str());
}

bool CharactersFitBytes(const mxArray* input)
{
    const mxChar* chars = mxGetChars(input);
    for (size_t i = 0, count = ElementCount(input); i < count; ++i) {
        if (static_cast<unsigned>(static_cast<CharCode>(chars[i])) >> 8 != 0)
            return false;
    }
    return true;
}

// The address, checked for length, into kAddressSize bytes.
void CopyAddress(const mxArray* input, char* address)
{
    std::memset(address, 0, kAddressSize);
    std::string text = TextOf(input);
    std::memcpy(address, text.data(), text.size());
}

// The texts of a command's argument errors.
struct ArgumentErrors {
    const char* count;
    const char* types;
    const char* addressLength;
};

// Checks the count and the address and command arguments; false after reporting an error.
bool ArgumentsFit(const ArgumentErrors& errors, bool countFits, const mxArray* prhs[])
{
    if (!countFits) {
        mexErrMsgTxt(errors.count);
        return false;
    }
    if (!mxIsChar(prhs[0]) || !mxIsChar(prhs[1])) {
        mexErrMsgTxt(errors.types);
        return false;
    }
    if (ElementCount(prhs[0]) >= kAddressSize) {
        mexErrMsgTxt(errors.addressLength);
        return false;
    }
    return true;
}

} // namespace

void RunBusBlock(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const ArgumentErrors kErrors = {"BUSBLOCK requires two or three input arguments.",
                                    "BUSBLOCK address and command should be strings.",
                                    "BUSBLOCK address must not be longer than 19 characters."};
    if (!ArgumentsFit(kErrors, nrhs == 2 || nrhs == 3, prhs))
        return;
    size_t limit = kDefaultReplyLimit;
    if (nrhs == 3) {
        const mxArray* given = prhs[2];
        if (!mxIsDouble(given) || ElementCount(given) != 1 || !(*mxGetPr(given) >= 1)) {
            mexErrMsgTxt("BUSBLOCK limit should be a number of bytes, 1 or more.");
            return;
        }
        double wanted = *mxGetPr(given);
        limit = wanted >= static_cast<double>(SIZE_MAX) ? SIZE_MAX : static_cast<size_t>(wanted);
    }
    char address[kAddressSize];
    CopyAddress(prhs[0], address);
    BlockTransfer transfer = QueryBlock(address, TextOf(prhs[1]).c_str(), limit);
    Warn("BUSBLOCK", transfer);
    plhs[0] = mxCreateNumericMatrix(1, transfer.data.size(), mxUINT8_CLASS, mxREAL);
    if (!transfer.data.empty())
        std::memcpy(mxGetData(plhs[0]), transfer.data.data(), transfer.data.size());
    if (nlhs >= 2)
        plhs[1] = StatusMatrix(transfer.status);
}

void RunBusWriteBlock(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    (void)nlhs;
    const ArgumentErrors kErrors = {"BUSWRITEBLOCK requires three input arguments.",
                                    "BUSWRITEBLOCK address and command should be strings.",
                                    "BUSWRITEBLOCK address must not be longer than 19 characters."};
    if (!ArgumentsFit(kErrors, nrhs == 3, prhs))
        return;
    const mxArray* data = prhs[2];
    if (mxIsChar(data) ? !CharactersFitBytes(data) : (!mxIsNumeric(data) && !mxIsLogical(data)) || mxIsComplex(data)) {
        mexErrMsgTxt("BUSWRITEBLOCK data should be a real numeric or logical array, or characters of codes 0 to 255.");
        return;
    }
    char address[kAddressSize];
    CopyAddress(prhs[0], address);
    // A numeric or logical array's bytes in the host's order, as they are;
    // characters' codes one byte each.
    std::string characters = mxIsChar(data) ? TextOf(data) : std::string();
    const char* bytes = mxIsChar(data) ? characters.data() : static_cast<const char*>(mxGetData(data));
    size_t count = mxIsChar(data) ? characters.size() : mxGetNumberOfElements(data) * mxGetElementSize(data);
    BlockTransfer transfer = SendBlock(address, TextOf(prhs[1]).c_str(), bytes, bytes ? count : 0);
    Warn("BUSWRITEBLOCK", transfer);
    plhs[0] = StatusMatrix(transfer.status);
}
