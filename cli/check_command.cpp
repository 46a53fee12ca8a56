#include "cli/check_command.h"

#include "cli/adapter_command.h"
#include "cli/bus_walk.h"
#include "cli/driver_service_check.h"
#include "cli/trace_findings.h"
#include "config/config_layout.h"
#include "config/terminators.h"
#include "drovane/drovane.h"
#include "trace/trace_file.h"

#include <chrono>

#include <map>
#include <utility>

namespace {

std::string Where(const std::string& path, const std::string& name)
{
    return path + " (" + name + "): ";
}

void CheckValues(const std::string& where, const std::vector<std::string>& unreadable,
                 std::vector<std::string>& problems)
{
    for (const std::string& value : unreadable)
        problems.push_back(where + value + "; set it again in the applet's Properties, or delete the value so "
                                           "that the default applies");
}

void CheckTimeout(const std::string& where, DWORD timeout, std::vector<std::string>& problems)
{
    if (timeout == 0)
        problems.push_back(where + "time-out is 0 ms; give it a time-out in the applet's Properties (10000 is the "
                                   "default)");
}

void CheckInputEnd(const std::string& where, const TerminatorSide& termIn, std::vector<std::string>& problems)
{
    if (!termIn.eoi && !IsTermChar(termIn.first) && !IsTermChar(termIn.second))
        problems.push_back(where + "no read can ever end: input terminator " + termIn.name +
                           " has no EOI and no end-of-string character; turn on EOI or choose a terminator "
                           "character in the applet's Properties");
}

// The bus driver library refuses to open a device beyond the bus's addresses;
// the applet's list of secondary addresses goes one further.
void CheckDeviceAddress(const std::string& where, const DeviceRecord& device, std::vector<std::string>& problems)
{
    const std::string limits = " (it takes 0 to " + std::to_string(DRV_MAX_ADDRESS) + "), so the device never opens; ";
    if (device.primary > DRV_MAX_ADDRESS)
        problems.push_back(where + "the bus driver library refuses primary address " + std::to_string(device.primary) +
                           limits + "give it another primary address in the applet's Properties");
    if (device.secondary > DRV_MAX_ADDRESS && device.secondary <= kMaxSecondaryAddress)
        problems.push_back(where + "the bus driver library refuses secondary address " +
                           std::to_string(device.secondary) + limits +
                           "give it a secondary address from 0 to " + std::to_string(DRV_MAX_ADDRESS) +
                           ", or none, in the applet's Properties");
}

void CheckAdapter(const std::string& where, const InterfaceRecord& bus, std::vector<std::string>& problems)
{
    if (bus.adapter.empty())
        return;
    AdapterAnswer answer = AskAdapter(bus.adapter, kAdapterVersionTimeoutMs);
    if (!answer.isAddress) {
        problems.push_back(where + "the adapter " + bus.adapter + " is no adapter address: " + answer.text +
                           "; set it again with quenbus adapter " + bus.userName + " URL");
    } else if (!answer.answers && answer.gateway) {
        problems.push_back(where + "the gateway " + bus.adapter + " does not answer (" + answer.text +
                           "); check its power, network and address, or unbind it with quenbus adapter " +
                           bus.userName + " --clear");
    } else if (!answer.answers) {
        problems.push_back(where + "the adapter " + bus.adapter + " does not answer ++ver (" + answer.text +
                           "); check its power, cable and address, or unbind it with quenbus adapter " +
                           bus.userName + " --clear");
    }
}

void CheckInterface(const InterfaceRecord& bus, std::vector<std::string>& problems)
{
    std::string where = Where(bus.path, bus.userName);
    CheckValues(where, bus.problems, problems);
    if (!bus.hardwareKey.empty() && !bus.boardPresent)
        problems.push_back(where + "its board (" + bus.hardwareKey +
                           ") is not present; fit the board, or choose a present board in the applet's Properties");
    CheckAdapter(where, bus, problems);
    if (bus.driverAnswer == DriverCheck::Unrecognised)
        problems.push_back(where + "the bus driver library does not know the name " + bus.userName +
                           "; rename the interface, or check the driver's installation");
    CheckTimeout(where, bus.timeout, problems);
    CheckInputEnd(where, bus.termIn, problems);

    std::map<std::pair<DWORD, DWORD>, const DeviceRecord*> taken;
    for (const DeviceRecord& device : bus.devices) {
        std::string at = Where(device.path, device.userName);
        CheckValues(at, device.problems, problems);
        CheckDeviceAddress(at, device, problems);
        DWORD secondary = device.secondary <= kMaxSecondaryAddress ? device.secondary : kNoSecondaryAddress;
        auto placed = taken.emplace(std::make_pair(device.primary, secondary), &device);
        if (!placed.second)
            problems.push_back(at + "same address as " + placed.first->second->userName + " (" +
                               placed.first->second->path + "): primary " + std::to_string(device.primary) +
                               ", secondary " + SecondaryText(secondary) + "; give one of them another address");
        if (device.primary == bus.primary)
            problems.push_back(at + "primary address " + std::to_string(device.primary) + " is the address of its "
                               "interface " + bus.userName + "; give the device or the interface another address");
        CheckTimeout(at, device.timeout, problems);
        CheckInputEnd(at, device.termIn, problems);
    }
}

// What the trace's recent failures say, and damage to the trace.
void CheckTrace(std::vector<std::string>& problems)
{
    std::string path = TraceFilePath();
    TraceReading reading = path.empty() ? TraceReading() : ReadTraceFile(path);
    if (!reading.readable)
        return;
    if (reading.damagedLines > 0)
        problems.push_back("trace: " + path + ": " + std::to_string(reading.damagedLines) +
                           (reading.damagedLines == 1 ? " line holds" : " lines hold") +
                           " no entry (the file is damaged); quenbus trace clear starts it afresh");
    using namespace std::chrono;
    long long now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    for (std::string& finding : TraceFindings(reading.entries, now))
        problems.push_back(std::move(finding));
}

void CheckConfiguration(std::vector<std::string>& problems)
{
    bool rootFound = false;
    std::vector<InterfaceRecord> interfaces = WalkBus(&rootFound);
    if (!rootFound) {
        problems.push_back(std::string("HKEY_CURRENT_USER\\") + kConfigRootPath +
                           ": there is no bus configuration; open the IEEE 488 applet once, or run the setup "
                           "program");
        return;
    }
    AskDriver(interfaces);
    for (const InterfaceRecord& bus : interfaces)
        CheckInterface(bus, problems);
    CheckDriverServices(interfaces, problems);
}

} // namespace

std::vector<std::string> FindProblems()
{
    // The trace first: the configuration's checks call the library, which may record.
    std::vector<std::string> traced;
    CheckTrace(traced);
    std::vector<std::string> problems;
    CheckConfiguration(problems);
    problems.insert(problems.end(), traced.begin(), traced.end());
    return problems;
}

int CheckCommand(std::ostream& out)
{
    std::vector<std::string> problems = FindProblems();
    for (const std::string& problem : problems)
        out << problem << '\n';
    if (problems.empty())
        out << "no problems found\n";
    return problems.empty() ? 0 : 1;
}
