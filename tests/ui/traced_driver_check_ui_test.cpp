// The applet's driver check (the icon of each interface says whether the bus
// driver library opens it) and quenbus programs at once, with tracing on:
// one trace holds every call of each process, whole and in its order.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "config/config_layout.h"
#include "trace/trace_file.h"
#include "trace/trace_switch.h"

#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kToolRuns = 8;
const int kOpenings = 4;

// Runs the quenbus program to its end; true when it ran.
bool RunTool(const std::string& arguments)
{
    std::string command = std::string("\"") + QUENBUS_TOOL_PATH + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return false;
    bool ended = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

class TracedDriverCheck : public Nt5System {
protected:
    void SetUp() override
    {
        Nt5System::SetUp();
        char folder[MAX_PATH] = "";
        GetTempPathA(sizeof folder, folder);
        path_ = std::string(folder) + "quenbus-traced-check-" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(path_.c_str());
        // _putenv reaches this process's C runtime (the libraries' getenv) and the programs it starts.
        _putenv(("QUENBUS_TRACE_FILE=" + path_).c_str());
    }
    void TearDown() override
    {
        _putenv("QUENBUS_TRACE_FILE=");
        DeleteFileA(path_.c_str());
        Nt5System::TearDown();
    }
    std::string path_;
};

} // namespace

TEST_F(TracedDriverCheck, TheAppletAndProgramsAtOnceMakeOneWholeTrace)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\"\n"
            "\"HardwareKey\"=\"\"\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001]\n\"UserName\"=\"LAN0\"\n"
            "\"HardwareKey\"=\"\"\n");
    ASSERT_TRUE(WriteTraceSwitch(true, 0));
    // Programs already running see the switch within their look interval.
    Sleep(static_cast<DWORD>(kSwitchLookMs + 200));

    std::thread tools([] {
        for (int i = 0; i < kToolRuns; ++i)
            RunTool("query IEEE0:22 *IDN?");
    });
    for (int i = 0; i < kOpenings; ++i)
        OpenApplet(cpl, {Press(IDCANCEL)});
    tools.join();
    ASSERT_TRUE(WriteTraceSwitch(false, 0));

    TraceReading reading = ReadTraceFile(path_);
    ASSERT_TRUE(reading.readable) << reading.problem;
    EXPECT_FALSE(reading.headerDamaged);
    EXPECT_EQ(reading.damagedLines, 0u) << "no entry is mixed with another";
    std::map<long long, std::vector<const TraceEntry*>> byProcess;
    for (const TraceEntry& entry : reading.entries)
        byProcess[entry.processId].push_back(&entry);
    int toolProcesses = 0;
    int appletChecks = 0;
    std::vector<std::string> firstToolCalls;
    for (const auto& process : byProcess) {
        std::vector<std::string> calls;
        for (size_t i = 0; i < process.second.size(); ++i) {
            calls.push_back(process.second[i]->call);
            if (i > 0)
                EXPECT_GE(process.second[i]->timeUs, process.second[i - 1]->timeUs) << "in the order they came";
        }
        if (process.second[0]->process == "quenbus.exe") {
            ++toolProcesses;
            if (firstToolCalls.empty())
                firstToolCalls = calls;
            EXPECT_EQ(calls, firstToolCalls) << "each run of the program made the same calls, all recorded";
            EXPECT_EQ(calls.front(), "DrvOpenDevice");
        } else if (process.first == static_cast<long long>(GetCurrentProcessId())) {
            for (const TraceEntry* entry : process.second) {
                if (entry->call == "DrvOpenName")
                    ++appletChecks;
            }
        }
    }
    EXPECT_EQ(toolProcesses, kToolRuns);
    // Each opening checks both interfaces at least once.
    EXPECT_GE(appletChecks, 2 * kOpenings);
}
