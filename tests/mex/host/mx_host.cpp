// The mx calls of our MEX host (libmx): arrays of characters, doubles and the
// other numeric and logical classes, and memory blocks the host keeps
// account of.
#include "host_api.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

struct mxArray_tag {
    bool isChar = false;
    mxClassID classId = mxDOUBLE_CLASS;
    size_t m = 0;
    size_t n = 0;
    std::vector<mxChar> chars;
    std::vector<double> numbers;
    // Elements of the classes other than char and double.
    std::vector<unsigned char> bytes;
};

namespace {

// The bytes of an element of a numeric or logical class; 0 for the others.
size_t ClassElementSize(mxClassID classId)
{
    switch (classId) {
    case mxLOGICAL_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
        return 1;
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
        return 2;
    case mxSINGLE_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
        return 4;
    case mxDOUBLE_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
        return 8;
    default:
        return 0;
    }
}

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
    return array && array->classId == mxDOUBLE_CLASS;
}

MEX_HOST_EXPORT bool mxIsNumeric(const mxArray* array)
{
    return array && !array->isChar && array->classId != mxLOGICAL_CLASS;
}

MEX_HOST_EXPORT bool mxIsLogical(const mxArray* array)
{
    return array && array->classId == mxLOGICAL_CLASS;
}

MEX_HOST_EXPORT bool mxIsComplex(const mxArray*)
{
    return false;
}

MEX_HOST_EXPORT mxClassID mxGetClassID(const mxArray* array)
{
    return array ? array->classId : mxUNKNOWN_CLASS;
}

MEX_HOST_EXPORT size_t mxGetNumberOfElements(const mxArray* array)
{
    return array->m * array->n;
}

MEX_HOST_EXPORT size_t mxGetElementSize(const mxArray* array)
{
    return array->isChar ? sizeof(mxChar) : ClassElementSize(array->classId);
}

MEX_HOST_EXPORT void* mxGetData(const mxArray* array)
{
    if (!array)
        return nullptr;
    if (array->isChar)
        return const_cast<mxChar*>(array->chars.data());
    if (array->classId == mxDOUBLE_CLASS)
        return const_cast<double*>(array->numbers.data());
    return const_cast<unsigned char*>(array->bytes.data());
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
    return mxIsDouble(array) ? const_cast<double*>(array->numbers.data()) : nullptr;
}

MEX_HOST_EXPORT mxArray* mxCreateCharArray(mwSize dimensionCount, const mwSize* dimensions)
{
    if (dimensionCount != 2)
        return nullptr;
    mxArray* array = new mxArray_tag;
    array->isChar = true;
    array->classId = mxCHAR_CLASS;
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

MEX_HOST_EXPORT mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classId, mxComplexity complexity)
{
    if (classId == mxDOUBLE_CLASS)
        return mxCreateDoubleMatrix(m, n, complexity);
    size_t size = ClassElementSize(classId);
    if (complexity != mxREAL || size == 0)
        return nullptr;
    mxArray* array = new mxArray_tag;
    array->classId = classId;
    array->m = m;
    array->n = n;
    array->bytes.assign(m * n * size, 0);
    return array;
}

MEX_HOST_EXPORT void mxDestroyArray(mxArray* array)
{
    delete array;
}

} // extern "C"
