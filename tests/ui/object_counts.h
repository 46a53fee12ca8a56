// Counts of this process's live kernel handles and GDI objects, found by
// probing handle values: the counting calls are stubs under Wine.
#pragma once

long long LiveHandleCount();
long long LiveGdiObjectCount();
