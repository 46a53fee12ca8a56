// Benchmark: the time from CPL_DBLCLK to a filled, drawn page, for a
// configuration of four interfaces with 999 devices each against an empty
// configuration. Prints both medians and their ratio.
#include "../ui/cpl_module.h"
#include "../ui/ui_driver.h"

#include "config/config_nodes.h"
#include "config/node_index.h"
#include "platform/reg_file.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Opens the applet, waits until its tree is filled and drawn, closes it;
// returns the seconds from the double-click to the drawn page.
double TimeOneOpening(const CplModule& cpl)
{
    LARGE_INTEGER start, shown = {};
    QueryPerformanceCounter(&start);
    RunWithSteps([&] { cpl.Open(); },
                 {[&] {
                      HWND sheet = FindThreadWindow(kSheetCaption);
                      HWND tree = sheet ? FindControl(sheet, IDC_TREE) : nullptr;
                      if (!tree || !TreeView_GetRoot(tree))
                          return false;
                      UpdateWindow(sheet);
                      QueryPerformanceCounter(&shown);
                      PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
                      return true;
                  }},
                 [] { return FindThreadWindow(kSheetCaption); }, 100000);
    return Seconds(start, shown);
}

double Median(const CplModule& cpl, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(TimeOneOpening(cpl));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void FillLargeConfiguration()
{
    for (unsigned i = 0; i < 4; ++i) {
        for (unsigned d = 0; d < 999; ++d) {
            char path[10];
            FormatDevicePath(i, d, path, sizeof path);
            ConfigCreateNode(path, 0, ("Device " + std::to_string(d)).c_str());
        }
    }
}

} // namespace

int main()
{
    CplModule cpl;
    if (!cpl.Loaded()) {
        std::fprintf(stderr, "cannot load %s\n", QUENBUS_CPL_PATH);
        return 1;
    }
    RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
    double empty = Median(cpl, 5);
    FillLargeConfiguration();
    double large = Median(cpl, 3);
    RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
    std::printf("applet open to drawn page: empty configuration %.3f s, 4 x 999 devices %.3f s, ratio %.1f\n", empty,
                large, empty > 0 ? large / empty : 0.0);
    return 0;
}
