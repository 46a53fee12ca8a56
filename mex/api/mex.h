/* The MEX C API, written from its documentation, for the Windows builds of
   the commands against our own MEX host libraries: libmx.dll (the mx calls)
   and libmex.dll (the mex calls). GNU Octave and MATLAB builds use their own
   mex.h instead. */
#ifndef QUENBUS_MEX_API_H
#define QUENBUS_MEX_API_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

typedef size_t mwSize;
typedef uint16_t mxChar;
typedef struct mxArray_tag mxArray;

typedef enum { mxREAL, mxCOMPLEX } mxComplexity;

typedef enum {
    mxUNKNOWN_CLASS,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

#ifdef __cplusplus
extern "C" {
#endif

/* The entry of a MEX file: nlhs outputs requested into plhs, nrhs inputs in prhs. */
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/* Reports an error to the host and ends the MEX function. */
void mexErrMsgTxt(const char* message);
/* Shows a warning; the MEX function goes on. */
void mexWarnMsgTxt(const char* message);

/* Memory that the host frees when the MEX function returns, unless freed before. */
void* mxCalloc(size_t count, size_t size);
void mxFree(void* block);

bool mxIsChar(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsNumeric(const mxArray* array);
bool mxIsLogical(const mxArray* array);
bool mxIsComplex(const mxArray* array);
mxClassID mxGetClassID(const mxArray* array);
size_t mxGetM(const mxArray* array);
size_t mxGetN(const mxArray* array);
size_t mxGetNumberOfElements(const mxArray* array);
/* The bytes of one element. */
size_t mxGetElementSize(const mxArray* array);

/* Copies a character array, column by column, into buffer as a NUL-terminated
   text of at most length - 1 characters: 0, or 1 when it did not fit or is
   not a character array. */
int mxGetString(const mxArray* array, char* buffer, mwSize length);
mxChar* mxGetChars(const mxArray* array);
double* mxGetPr(const mxArray* array);
/* The elements of a numeric, logical or character array. */
void* mxGetData(const mxArray* array);

mxArray* mxCreateString(const char* text);
mxArray* mxCreateCharArray(mwSize dimensionCount, const mwSize* dimensions);
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
/* An m-by-n array of the class, its elements 0. */
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classId, mxComplexity complexity);
void mxDestroyArray(mxArray* array);

#ifdef __cplusplus
}
#endif

#endif
