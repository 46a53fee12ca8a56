#include "trace/trace_switch.h"

#include "config/config_layout.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "simbus/trace.h"

#include <atomic>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

long long CoarseMs()
{
#ifdef _WIN32
    return static_cast<long long>(GetTickCount64());
#else
    timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

size_t CapWithin(DWORD cap)
{
    return cap >= kMinTraceCap && cap <= kMaxTraceCap ? cap : kDefaultTraceCap;
}

struct SwitchCache {
    std::atomic<long long> nextLookMs{0};
    std::atomic<bool> on{false};
    std::atomic<size_t> cap{kDefaultTraceCap};
    std::mutex looking;
};

SwitchCache& Cache()
{
    static SwitchCache cache;
    return cache;
}

void LookWhenDue(SwitchCache& cache)
{
    long long now = CoarseMs();
    if (now < cache.nextLookMs.load(std::memory_order_relaxed))
        return;
    std::lock_guard<std::mutex> lock(cache.looking);
    if (now < cache.nextLookMs.load(std::memory_order_relaxed))
        return;
    TraceSwitch found = ReadTraceSwitch();
    cache.on.store(found.on, std::memory_order_relaxed);
    cache.cap.store(found.cap, std::memory_order_relaxed);
    cache.nextLookMs.store(now + kSwitchLookMs, std::memory_order_relaxed);
}

} // namespace

bool TraceWanted()
{
    SwitchCache& cache = Cache();
    LookWhenDue(cache);
    return cache.on.load(std::memory_order_relaxed) || TraceEnabled();
}

size_t TraceCap()
{
    SwitchCache& cache = Cache();
    LookWhenDue(cache);
    return cache.cap.load(std::memory_order_relaxed);
}

TraceSwitch ReadTraceSwitch()
{
    TraceSwitch found;
    DWORD value = 0;
    found.on = RegReadPathDword(HKEY_CURRENT_USER, kConfigRootPath, nullptr, kTrace, &value) && value == 1;
    DWORD cap = 0;
    if (RegReadPathDword(HKEY_CURRENT_USER, kConfigRootPath, nullptr, kTraceCap, &cap))
        found.cap = CapWithin(cap);
    return found;
}

bool WriteTraceSwitch(bool on, size_t cap)
{
    HKEY opened = nullptr;
    if (!RegOpenPath(HKEY_CURRENT_USER, kConfigRootPath, nullptr, &opened, 0))
        return false;
    RegKey root(opened, nullptr);
    if (cap != 0 && !RegPutDword(root.Get(), kTraceCap, static_cast<DWORD>(CapWithin(static_cast<DWORD>(cap)))))
        return false;
    return RegPutDword(root.Get(), kTrace, on ? 1 : 0) != 0;
}
