// Benchmark: the time from CPL_DBLCLK to a filled, drawn page, for the empty
// configuration and for four interfaces with 999 devices each, each beside
// its floor: the registry work any opening must do (create or open every
// node key, query its defaults and its "UserName", close it). Runs are warm
// and alternate opening, floor and the configuration initialisation alone,
// so slow spells of the machine weigh on every figure; medians of five.
#include "../ui/cpl_module.h"
#include "../ui/ui_driver.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/node_index.h"
#include "platform/reg_file.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const unsigned kInterfaces = 4;
const int kRuns = 5;

// The defaults RegInitUserConfig looks for, then the tree's label.
const char* const kInterfaceValues[] = {kSystemController, kPrimaryAddress, kTimeout, kTermInEoi,
                                        kTermOutEoi,       kTermIn0,        kTermIn1, kTermOut0,
                                        kTermOut1,         kTermIn,         kTermOut, kUserName};
const char* const kDeviceValues[] = {kSecondaryAddress, kPrimaryAddress, kTimeout, kTermInEoi,
                                     kTermOutEoi,       kTermIn0,        kTermIn1, kTermOut0,
                                     kTermOut1,         kTermIn,         kTermOut, kUserName};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Opening {
    double total; // double-click to drawn page
    double draw;  // a full repaint of the shown sheet
};

// Opens the applet, waits until its tree is filled and drawn, repaints it
// once more to time the drawing alone, closes it.
Opening TimeOneOpening(const CplModule& cpl)
{
    Opening opening = {};
    double start = Now();
    RunWithSteps([&] { cpl.Open(); },
                 {[&] {
                      HWND sheet = FindThreadWindow(kSheetCaption);
                      HWND tree = sheet ? FindControl(sheet, IDC_TREE) : nullptr;
                      if (!tree || !TreeView_GetRoot(tree))
                          return false;
                      UpdateWindow(sheet);
                      double shown = Now();
                      opening.total = shown - start;
                      RedrawWindow(sheet, nullptr, nullptr,
                                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                      opening.draw = Now() - shown;
                      PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
                      return true;
                  }},
                 [] { return FindThreadWindow(kSheetCaption); }, 1000000, 1);
    return opening;
}

void QueryValues(HKEY key, const char* const (&names)[12])
{
    for (const char* name : names) {
        BYTE data[64];
        DWORD size = sizeof data;
        DWORD type = 0;
        RegQueryValueExA(key, name, nullptr, &type, data, &size);
    }
}

HKEY CreateKey(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

// The floor: every interface and device node created or opened, its
// defaults and its "UserName" queried, closed.
double TimeFloor(unsigned devicesPerInterface)
{
    double start = Now();
    HKEY root = CreateKey(HKEY_CURRENT_USER, kConfigRootPath);
    for (unsigned i = 0; i < kInterfaces; ++i) {
        char name[kNodeNameSize];
        HKEY interfaceKey = CreateKey(root, FormatNodeIndex(i, name, sizeof name));
        QueryValues(interfaceKey, kInterfaceValues);
        for (unsigned d = 0; d < devicesPerInterface; ++d) {
            HKEY device = CreateKey(interfaceKey, FormatNodeIndex(d, name, sizeof name));
            QueryValues(device, kDeviceValues);
            RegCloseKey(device);
        }
        RegCloseKey(interfaceKey);
    }
    RegCloseKey(root);
    return Now() - start;
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Figures {
    double open, floor, init, draw;
    double Fill() const { return open - init - draw; }
};

// Warm figures at one size: one opening first, then alternating runs.
Figures Measure(const CplModule& cpl, unsigned devicesPerInterface)
{
    typedef void(WINAPI * InitConfig)();
    InitConfig init = reinterpret_cast<InitConfig>(reinterpret_cast<void*>(cpl.Export("RegInitUserConfig")));
    TimeOneOpening(cpl);
    std::vector<double> open, floor, initTimes, draw;
    for (int run = 0; run < kRuns; ++run) {
        floor.push_back(TimeFloor(devicesPerInterface));
        Opening opening = TimeOneOpening(cpl);
        open.push_back(opening.total);
        draw.push_back(opening.draw);
        double start = Now();
        init();
        initTimes.push_back(Now() - start);
    }
    return {Median(open), Median(floor), Median(initTimes), Median(draw)};
}

void FillLargeConfiguration()
{
    for (unsigned i = 0; i < kInterfaces; ++i) {
        for (unsigned d = 0; d < 999; ++d) {
            char path[10];
            FormatDevicePath(i, d, path, sizeof path);
            ConfigCreateNode(path, 0, ("Device " + std::to_string(d)).c_str());
        }
    }
}

void Print(const char* name, const Figures& f)
{
    std::printf("  %-22s open %.3f s   floor %.3f s   (init %.3f s, fill %.3f s, draw %.3f s)\n", name, f.open,
                f.floor, f.init, f.Fill(), f.draw);
}

} // namespace

int main()
{
    CplModule cpl;
    if (!cpl.Loaded() || !cpl.Export("RegInitUserConfig")) {
        std::fprintf(stderr, "cannot load %s\n", QUENBUS_CPL_PATH);
        return 1;
    }
    RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
    // The empty configuration opens with the four interfaces and one device each.
    Figures empty = Measure(cpl, 1);
    FillLargeConfiguration();
    Figures large = Measure(cpl, 999);
    RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
    std::printf("applet open to drawn page (warm, medians of %d; fill = open - init - draw):\n", kRuns);
    Print("empty configuration", empty);
    Print("4 x 999 devices", large);
    std::printf("  ratio large / (empty + floor) %.2f (goal 1.5 at most)\n", large.open / (empty.open + large.floor));
    return 0;
}
