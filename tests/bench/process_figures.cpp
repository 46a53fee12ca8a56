#include "process_figures.h"

#include "../ui/object_counts.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <functional>

namespace {

typedef long long (*Reader)();

// Creates one object of the kind a quantity counts and frees it again.
struct Probe {
    std::function<void*()> create;
    std::function<void(void*)> destroy;
    // Smallest rise that creating the object must show.
    long long rise;
    // Whether the rise must be exact (a count) rather than at least `rise` (bytes).
    bool exact;
};

struct Method {
    const char* label;
    Reader read;
};

// Whether the reader's figure follows the probe's object: it rises when the
// object is made and falls back when it goes. Tried three times, in case
// the system makes or frees something of its own meanwhile.
bool Follows(Reader read, const Probe& probe, std::string& why)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        long long before = read();
        void* object = probe.create();
        long long during = read();
        probe.destroy(object);
        long long after = read();
        long long rise = during - before;
        bool rose = probe.exact ? rise == probe.rise : rise >= probe.rise;
        bool fell = probe.exact ? after == before : during - after >= probe.rise;
        if (rose && fell)
            return true;
        if (before < 0 || during < 0) {
            why = "the call fails";
            return false;
        }
        if (before == 0 && during == 0) {
            why = "it answers 0";
            return false;
        }
        why = "it does not follow an object this program makes (" + std::to_string(before) + ", " +
              std::to_string(during) + ", " + std::to_string(after) + ")";
    }
    return false;
}

long long HandleCountCall()
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : -1;
}

long long UserObjectsCall()
{
    return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lParam)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == GetCurrentProcessId())
        ++*reinterpret_cast<long long*>(lParam);
    return TRUE;
}

BOOL CALLBACK AddWindow(HWND hwnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

// Every window of this process: the top-level ones, the message-only ones,
// and all their descendants.
long long ProcessWindows()
{
    long long count = 0;
    std::vector<HWND> tops;
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&tops));
    for (HWND hwnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
         hwnd = FindWindowExA(HWND_MESSAGE, hwnd, nullptr, nullptr))
        tops.push_back(hwnd);
    for (HWND top : tops) {
        long long before = count;
        CountWindow(top, reinterpret_cast<LPARAM>(&count));
        if (count > before)
            EnumChildWindows(top, CountWindow, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

long long GdiObjectsCall()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

long long PrivateUsageCall()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return -1;
    return static_cast<long long>(counters.PrivateUsage);
}

long long CommittedPrivatePages()
{
    long long bytes = 0;
    MEMORY_BASIC_INFORMATION info;
    for (char* address = nullptr; VirtualQuery(address, &info, sizeof info); address += info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            bytes += static_cast<long long>(info.RegionSize);
        if (static_cast<char*>(info.BaseAddress) + info.RegionSize < address)
            break;
    }
    return bytes;
}

long long HeapBytesInUse()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    long long bytes = 0;
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heap);
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                bytes += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return bytes;
}

std::string ReadLine(const std::string& path)
{
    char line[256] = "";
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        if (!std::fgets(line, sizeof line, file))
            line[0] = 0;
        std::fclose(file);
    }
    std::string text = line;
    return text.substr(0, text.find('\n'));
}

// Under Wine this program is a Unix process too, named (in 15 characters)
// after its file. Wine resolves Z:\proc\self in its server, so the process
// is looked up by that name; "" when none or more than one has it.
std::string UnixStatusPath()
{
    char file[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, file, sizeof file);
    std::string name = file;
    name = name.substr(name.find_last_of("\\/") + 1).substr(0, 15);
    std::string found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    int matches = 0;
    do {
        std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
        if (entry.cFileName[0] >= '1' && entry.cFileName[0] <= '9' && ReadLine(dir + "\\comm") == name) {
            found = dir + "\\status";
            ++matches;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return matches == 1 ? found : std::string();
}

// Its resident anonymous memory counts what Wine's Unix side (X11, fonts,
// the C library) keeps besides the Windows side's pages.
long long UnixResidentAnon()
{
    static const std::string path = UnixStatusPath();
    FILE* status = path.empty() ? nullptr : std::fopen(path.c_str(), "r");
    if (!status)
        return -1;
    long long kilobytes = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "RssAnon: %lld", &kilobytes) == 1)
            break;
    }
    std::fclose(status);
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

const long long kProbeBytes = 8 << 20;

const Probe kHandleProbe = {[] { return static_cast<void*>(CreateEventA(nullptr, TRUE, FALSE, nullptr)); },
                            [](void* event) { CloseHandle(event); }, 1, true};
// A thread's first window brings the thread's input method window with it.
const Probe kWindowProbe = {
    [] { return static_cast<void*>(CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)); },
    [](void* hwnd) { DestroyWindow(static_cast<HWND>(hwnd)); }, 1, false};
const Probe kGdiProbe = {[] { return static_cast<void*>(CreateSolidBrush(RGB(1, 2, 3))); },
                         [](void* brush) { DeleteObject(brush); }, 1, true};
// Committed and written, so that resident counts see it too.
const Probe kMemoryProbe = {[] {
                                void* block = VirtualAlloc(nullptr, kProbeBytes, MEM_COMMIT | MEM_RESERVE,
                                                           PAGE_READWRITE);
                                if (block)
                                    FillMemory(block, kProbeBytes, 1);
                                return block;
                            },
                            [](void* block) { VirtualFree(block, 0, MEM_RELEASE); }, kProbeBytes - (1 << 20),
                            false};
const Probe kHeapProbe = {[] { return HeapAlloc(GetProcessHeap(), 0, 200000); },
                          [](void* block) { HeapFree(GetProcessHeap(), 0, block); }, 200000, false};

struct QuantityPlan {
    const char* name;
    const Probe* probe;
    std::vector<Method> methods;
};

} // namespace

ProcessFigures::ProcessFigures()
{
    const QuantityPlan plans[kQuantityCount] = {
        {"handles", &kHandleProbe,
         {{"GetProcessHandleCount", HandleCountCall},
          {"GetHandleInformation over the handle values", LiveHandleCount}}},
        {"USER objects", &kWindowProbe,
         {{"GetGuiResources(GR_USEROBJECTS)", UserObjectsCall},
          {"windows of this process, enumerated (menus and icons not counted)", ProcessWindows}}},
        {"GDI objects", &kGdiProbe,
         {{"GetGuiResources(GR_GDIOBJECTS)", GdiObjectsCall},
          {"GetObjectType over the GDI handle values", LiveGdiObjectCount}}},
        {"private bytes", &kMemoryProbe,
         {{"GetProcessMemoryInfo PrivateUsage", PrivateUsageCall},
          {"VirtualQuery: committed private pages", CommittedPrivatePages}}},
        {"committed private pages", &kMemoryProbe, {{"VirtualQuery walk", CommittedPrivatePages}}},
        {"heap bytes in use", &kHeapProbe, {{"HeapWalk over every heap", HeapBytesInUse}}},
        {"resident anonymous bytes", &kMemoryProbe,
         {{"RssAnon in Z:\\proc\\<pid>\\status (the Unix process under Wine)", UnixResidentAnon}}},
    };
    for (const QuantityPlan& plan : plans) {
        Quantity quantity;
        quantity.name = plan.name;
        Reader chosen = nullptr;
        for (const Method& method : plan.methods) {
            std::string why;
            if (Follows(method.read, *plan.probe, why)) {
                chosen = method.read;
                quantity.method = method.label;
                quantity.measured = true;
                break;
            }
            quantity.refused.push_back(std::string(method.label) + " is a stub here: " + why);
        }
        if (!chosen)
            quantity.method = "not measured: no method gives an honest figure";
        quantities_.push_back(quantity);
        readers_.push_back(chosen);
    }
}

Snapshot ProcessFigures::Take(int openings) const
{
    Snapshot snapshot;
    snapshot.openings = openings;
    for (size_t q = 0; q < readers_.size(); ++q)
        snapshot.values[q] = readers_[q] ? readers_[q]() : -1;
    return snapshot;
}

void ProcessFigures::PrintMethods() const
{
    for (const Quantity& quantity : quantities_) {
        std::printf("  %-24s %s\n", quantity.name.c_str(), quantity.method.c_str());
        for (const std::string& note : quantity.refused)
            std::printf("  %-24s   (%s)\n", "", note.c_str());
    }
}

void PrintSnapshots(const char* title, const ProcessFigures& figures, const std::vector<Snapshot>& snapshots)
{
    std::printf("%s\n", title);
    if (snapshots.size() < 2) {
        std::printf("  (the openings did not finish: no figures)\n");
        return;
    }
    const Snapshot& first = snapshots.front();
    std::printf("  %-24s %14s", "", ("after " + std::to_string(first.openings)).c_str());
    for (size_t s = 1; s < snapshots.size(); ++s)
        std::printf(" %14s %9s", ("after " + std::to_string(snapshots[s].openings)).c_str(), "growth");
    std::printf("\n");
    for (size_t q = 0; q < figures.Quantities().size(); ++q) {
        const Quantity& quantity = figures.Quantities()[q];
        std::printf("  %-24s", quantity.name.c_str());
        if (!quantity.measured) {
            std::printf(" not measured\n");
            continue;
        }
        std::printf(" %14lld", first.values[q]);
        for (size_t s = 1; s < snapshots.size(); ++s)
            std::printf(" %14lld %+9lld", snapshots[s].values[q], snapshots[s].values[q] - first.values[q]);
        std::printf("\n");
    }
}
