// The mx calls of our MEX host (libmx): arrays of characters or doubles, and
// memory blocks the host keeps account of.
#include "host_api.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

struct mxArray_tag {
    bool isChar = false;
    size_t m = 0;
    size_t n = 0;
    std::vector<mxChar> chars;
    std::vector<double> numbers;
};

namespace {

std::set<void*> g_blocks;
size_t g_badFrees = 0;

} // namespace

extern "C" {

MEX_HOST_EXPORT void* mxCalloc(size_t count, size_t size)
{
    void* block = std::calloc(count ? count : 1, size ? size : 1);
    if (block)
        g_blocks.insert(block);
    return block;
}

MEX_HOST_EXPORT void mxFree(void* block)
{
    if (!block)
        return;
    if (!g_blocks.erase(block)) {
        ++g_badFrees;
        return;
    }
    std::free(block);
}

MEX_HOST_EXPORT size_t mxHostReleaseBlocks()
{
    size_t count = g_blocks.size();
    for (void* block : g_blocks)
        std::free(block);
    g_blocks.clear();
    return count;
}

MEX_HOST_EXPORT size_t mxHostBadFrees()
{
    return g_badFrees;
}

MEX_HOST_EXPORT bool mxIsChar(const mxArray* array)
{
    return array && array->isChar;
}

MEX_HOST_EXPORT bool mxIsDouble(const mxArray* array)
{
    return array && !array->isChar;
}

MEX_HOST_EXPORT size_t mxGetM(const mxArray* array)
{
    return array->m;
}

MEX_HOST_EXPORT size_t mxGetN(const mxArray* array)
{
    return array->n;
}

MEX_HOST_EXPORT int mxGetString(const mxArray* array, char* buffer, mwSize length)
{
    if (length == 0)
        return 1;
    if (!array || !array->isChar) {
        buffer[0] = '\0';
        return 1;
    }
    size_t count = array->chars.size() < length - 1 ? array->chars.size() : length - 1;
    for (size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<char>(array->chars[i]);
    buffer[count] = '\0';
    return count < array->chars.size();
}

MEX_HOST_EXPORT mxChar* mxGetChars(const mxArray* array)
{
    return array && array->isChar ? const_cast<mxChar*>(array->chars.data()) : nullptr;
}

MEX_HOST_EXPORT double* mxGetPr(const mxArray* array)
{
    return array && !array->isChar ? const_cast<double*>(array->numbers.data()) : nullptr;
}

MEX_HOST_EXPORT mxArray* mxCreateCharArray(mwSize dimensionCount, const mwSize* dimensions)
{
    if (dimensionCount != 2)
        return nullptr;
    mxArray* array = new mxArray_tag;
    array->isChar = true;
    array->m = dimensions[0];
    array->n = dimensions[1];
    array->chars.assign(array->m * array->n, 0);
    return array;
}

// A 1-by-N row; an empty text gives 0-by-0.
MEX_HOST_EXPORT mxArray* mxCreateString(const char* text)
{
    size_t length = std::strlen(text);
    mwSize dimensions[2] = {length ? 1u : 0u, length};
    mxArray* array = mxCreateCharArray(2, dimensions);
    for (size_t i = 0; i < length; ++i)
        array->chars[i] = static_cast<unsigned char>(text[i]);
    return array;
}

MEX_HOST_EXPORT mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity)
{
    if (complexity != mxREAL)
        return nullptr;
    mxArray* array = new mxArray_tag;
    array->m = m;
    array->n = n;
    array->numbers.assign(m * n, 0.0);
    return array;
}

MEX_HOST_EXPORT void mxDestroyArray(mxArray* array)
{
    delete array;
}

} // extern "C"
