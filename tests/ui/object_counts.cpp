#include "object_counts.h"

#include <windows.h>

// Kernel handles are multiples of 4 given out lowest first: probing stops
// after a long run of free values.
long long LiveHandleCount()
{
    long long count = 0;
    int freeRun = 0;
    for (ULONG_PTR value = 4; freeRun < 4096; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            freeRun = 0;
        } else {
            ++freeRun;
        }
    }
    return count;
}

// GDI handles carry their table index in the low 16 bits.
long long LiveGdiObjectCount()
{
    long long count = 0;
    for (ULONG_PTR value = 1; value < 0x10000; ++value) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)))
            ++count;
    }
    return count;
}
