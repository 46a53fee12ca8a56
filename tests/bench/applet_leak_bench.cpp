// Benchmark: what repeated openings leave behind in one process. Opens and
// closes the applet's sheet (through CPL_DBLCLK), the Properties dialog of
// an interface and of a device, and a plain property sheet with no quenbus
// code (the platform's own share); run as a copy that Wine takes for NT 4,
// the System Resources dialog of an ISA board instead. Prints handles, USER
// and GDI objects and memory after the first ten openings and after every
// 200, with the method that gave each figure.
//
//   applet_leak_bench [openings [sheet|plain|properties]]
#include "plain_property_sheet.h"
#include "process_figures.h"
#include "../ui/cpl_module.h"
#include "../ui/ui_driver.h"

#include "config/os_family.h"
#include "platform/reg_file.h"
#include "resources/resource.h"
#include "setup/setup_exports.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int kFirstOpenings = 10;
const int kCheckpointEvery = 200;
const UINT kTickMs = 10;

typedef std::function<bool()> Step;

bool IsCheckpoint(int opening, int openings)
{
    return opening == kFirstOpenings || opening % kCheckpointEvery == 0 || opening == openings;
}

// Room for every checkpoint, reserved before the first.
std::vector<Snapshot> SnapshotRoom(int openings)
{
    std::vector<Snapshot> snapshots;
    snapshots.reserve(static_cast<size_t>(openings / kCheckpointEvery + 2));
    return snapshots;
}

// Opens a modal window `openings` times; `ready` closes it once it shows
// what it should. Empty when an opening did not finish.
std::vector<Snapshot> RepeatModal(const ProcessFigures& figures, int openings, const std::function<void()>& open,
                                  const std::string& caption, const std::function<HWND()>& ready)
{
    std::vector<Snapshot> snapshots = SnapshotRoom(openings);
    for (int i = 1; i <= openings; ++i) {
        bool done = RunWithSteps(
            open,
            {[&] {
                HWND window = ready();
                if (window)
                    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                return window != nullptr;
            }},
            [&] { return FindThreadWindow(caption); }, 1000, kTickMs);
        if (!done)
            return {};
        if (IsCheckpoint(i, openings))
            snapshots.push_back(figures.Take(i));
    }
    return snapshots;
}

HWND FilledSheet()
{
    HWND sheet = FindThreadWindow(kSheetCaption);
    HWND tree = sheet ? FindControl(sheet, IDC_TREE) : nullptr;
    return tree && TreeView_GetRoot(tree) ? sheet : nullptr;
}

HTREEITEM ItemAt(HWND tree, const std::vector<std::string>& path)
{
    std::vector<TreeItem> level = ReadTree(tree);
    HTREEITEM found = nullptr;
    for (const std::string& label : path) {
        const TreeItem* match = nullptr;
        for (const TreeItem& item : level)
            match = item.label == label ? &item : match;
        if (!match)
            return nullptr;
        found = match->handle;
        level = match->children;
    }
    return found;
}

// A button that opens a dialog, and the dialog's caption.
struct Opener {
    int button;
    std::string caption;
};

// Clicks the button in the window of that caption once it is there.
Step ClickIn(const std::string& caption, int button)
{
    return [caption, button] {
        HWND window = FindThreadWindow(caption);
        if (window)
            Click(window, button);
        return window != nullptr;
    };
}

Step Gone(const std::string& caption)
{
    return [caption] { return FindThreadWindow(caption) == nullptr; };
}

// Within one sheet: selects the item at `path`, opens the `way` dialogs one
// in another, then opens and cancels the last `openings` times.
std::vector<Snapshot> RepeatDialog(const CplModule& cpl, const ProcessFigures& figures, int openings,
                                   const std::vector<std::string>& path, const std::vector<Opener>& way)
{
    std::vector<Snapshot> snapshots = SnapshotRoom(openings);
    bool selected = false;
    std::vector<Step> steps = {[&] {
        HWND sheet = FilledSheet();
        if (!sheet)
            return false;
        HWND tree = FindControl(sheet, IDC_TREE);
        HTREEITEM item = ItemAt(tree, path);
        selected = item != nullptr;
        if (item)
            TreeView_SelectItem(tree, item);
        return true;
    }};
    std::string parent = kSheetCaption;
    for (size_t w = 0; w + 1 < way.size(); ++w) {
        steps.push_back(ClickIn(parent, way[w].button));
        steps.push_back([caption = way[w].caption] { return FindThreadWindow(caption) != nullptr; });
        parent = way[w].caption;
    }
    const Opener& measured = way.back();
    for (int i = 1; i <= openings; ++i) {
        steps.push_back(ClickIn(parent, measured.button));
        steps.push_back(ClickIn(measured.caption, IDCANCEL));
        steps.push_back([&, i] {
            if (FindThreadWindow(measured.caption))
                return false;
            if (IsCheckpoint(i, openings))
                snapshots.push_back(figures.Take(i));
            return true;
        });
    }
    for (size_t w = way.size() - 1; w-- > 0;) {
        steps.push_back(ClickIn(way[w].caption, IDCANCEL));
        steps.push_back(Gone(way[w].caption));
    }
    steps.push_back([] {
        PostMessageA(FindThreadWindow(kSheetCaption), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    bool done = RunWithSteps([&] { cpl.Open(); }, steps, [] { return FindThreadWindow(kSheetCaption); },
                             openings * 40 + 500, kTickMs);
    if (!done || !selected)
        return {};
    return snapshots;
}

void RemoveConfiguration()
{
    RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Korvex");
}

bool Report(const char* title, const ProcessFigures& figures, const std::vector<Snapshot>& snapshots)
{
    PrintSnapshots(title, figures, snapshots);
    std::fflush(stdout);
    return snapshots.size() >= 2;
}

bool Wanted(const char* scenario, const char* name)
{
    return !scenario || std::strcmp(scenario, name) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    int openings = argc > 1 ? std::atoi(argv[1]) : 200;
    const char* scenario = argc > 2 ? argv[2] : nullptr;
    if (openings <= kFirstOpenings) {
        std::fprintf(stderr, "usage: applet_leak_bench [openings (more than %d) [sheet|plain|properties]]\n",
                     kFirstOpenings);
        return 1;
    }
    CplModule cpl;
    if (!cpl.Loaded()) {
        std::fprintf(stderr, "cannot load %s\n", QUENBUS_CPL_PATH);
        return 1;
    }
    LoadOsVersion();
    ProcessFigures figures;
    std::printf("What %d openings leave behind, %s. Methods:\n", openings,
                IsPnpOs() ? "as Windows NT 5 or later" : "as Windows NT 4");
    figures.PrintMethods();
    RemoveConfiguration();
    bool ran = true;
    if (!IsPnpOs()) {
        RegInitHdwrConfigNT("Sotal", "Sotal ISA board", "rumex");
        ran &= Report("System Resources dialog of an ISA board", figures,
                      RepeatDialog(cpl, figures, openings, {"Computer", "IEEE0"},
                                   {{IDC_PROPERTIES, "IEEE0 Properties"},
                                    {IDC_SYSTEM_RESOURCES, "Change System Resources"}}));
    } else {
        if (Wanted(scenario, "sheet"))
            ran &= Report("applet sheet (CPL_DBLCLK)", figures,
                          RepeatModal(figures, openings, [&] { cpl.Open(); }, kSheetCaption, FilledSheet));
        if (Wanted(scenario, "properties")) {
            ran &= Report("Properties dialog of an interface", figures,
                          RepeatDialog(cpl, figures, openings, {"Computer", "IEEE0"},
                                       {{IDC_PROPERTIES, "IEEE0 Properties"}}));
            ran &= Report("Properties dialog of a device", figures,
                          RepeatDialog(cpl, figures, openings, {"Computer", "IEEE0", "Wave"},
                                       {{IDC_PROPERTIES, "Wave Properties"}}));
        }
        if (Wanted(scenario, "plain"))
            ran &= Report("plain property sheet with a tree (no quenbus code)", figures,
                          RepeatModal(figures, openings, OpenPlainSheet, kPlainSheetCaption,
                                      [] { return FindThreadWindow(kPlainSheetCaption); }));
    }
    RemoveConfiguration();
    return ran ? 0 : 1;
}
