#include "cli/scan_command.h"

#include "buslink/connection.h"
#include "buslink/interface_check.h"
#include "buslink/interface_operations.h"
#include "buslink/transfers.h"
#include "cli/bus_walk.h"
#include "cli/found_devices.h"
#include "config/config_layout.h"
#include "config/interface_names.h"
#include "drovane/drovane.h"

#include <iomanip>

namespace {

const char kIdentify[] = "*IDN?";
const char kListensOnly[] = "(listens, no answer)";

// The reply without its line end.
std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// A write that goes through is the listener check: the bus driver library
// fails it when nothing listens at the address.
bool Probe(const std::string& interfaceName, int primary, int secondary, long timeoutMs, FoundInstrument& found)
{
    Connection connection;
    bool listens = connection.OpenDevice(interfaceName.c_str(), primary, secondary, timeoutMs).ok &&
                   connection.Send(kIdentify).ok;
    if (listens && connection.Receive(kReplySize).ok)
        found.identification = Trimmed(MatlabReplyText(connection.Reply()));
    connection.Close();
    found.primary = primary;
    found.secondary = secondary;
    return listens;
}

} // namespace

std::vector<FoundInstrument> ScanBus(const std::string& interfaceName, int ownAddress, const ScanOptions& options,
                                     std::ostream& progress)
{
    // Where the library checks for a listener, an address where none listens
    // is not written to; where it cannot, the write is the check.
    InterfaceConnection bus(interfaceName.c_str());
    std::vector<FoundInstrument> instruments;
    for (int primary = 0; primary <= DRV_MAX_ADDRESS; ++primary) {
        if (primary == ownAddress)
            continue;
        progress << "\rscanning " << interfaceName << ": address " << std::setw(2) << primary << " of " << DRV_MAX_ADDRESS
                 << std::flush;
        // None first, then with --secondary each secondary address.
        int last = options.secondary ? DRV_MAX_ADDRESS : -1;
        for (int secondary = -1; secondary <= last; ++secondary) {
            int address = secondary < 0 ? DRV_NO_SECONDARY : secondary;
            if (bus.IsOpen() && bus.FindListener(primary, address, options.timeoutMs) == 0)
                continue;
            FoundInstrument found;
            if (Probe(interfaceName, primary, address, options.timeoutMs, found))
                instruments.push_back(found);
        }
    }
    progress << "\r" << std::string(40, ' ') << "\r" << std::flush;
    return instruments;
}

int ScanCommand(const std::string& interfaceName, const ScanOptions& options, std::ostream& out, std::ostream& err)
{
    bool rootFound = false;
    std::vector<InterfaceRecord> interfaces = WalkBus(&rootFound);
    int ownAddress = static_cast<int>(kInterfacePrimaryAddress);
    std::string node = NamedInterfaceNode(interfaceName);
    const InterfaceRecord* configured = nullptr;
    for (const InterfaceRecord& bus : interfaces) {
        if (!node.empty() && bus.path == node) {
            configured = &bus;
            ownAddress = static_cast<int>(bus.primary);
        }
    }
    DriverCheck answer = CheckDriverName(interfaceName.c_str());
    if (answer != DriverCheck::Accepted) {
        err << "quenbus: the bus driver library cannot open " << interfaceName << " ("
            << DriverAnswerText(answer) << ")";
        if (answer == DriverCheck::Unrecognised && rootFound)
            err << "; the configured interfaces are: " << ConfiguredNamesText();
        err << '\n';
        return 1;
    }
    if (options.add && !configured) {
        err << "quenbus: " << interfaceName << " has no node in the configuration to add devices to; nothing added "
            << "(quenbus setup install makes one)\n";
        return 1;
    }
    std::vector<FoundInstrument> instruments = ScanBus(interfaceName, ownAddress, options, err);
    out << "address  secondary  identification\n";
    for (const FoundInstrument& found : instruments)
        out << std::left << std::setw(9) << found.primary << std::setw(11) << SecondaryText(found.secondary)
            << (found.identification.empty() ? kListensOnly : found.identification) << '\n';
    out << instruments.size() << " found on " << interfaceName << " (its own address " << ownAddress
        << " not tried)\n";
    if (!options.add)
        return 0;
    return AddFoundDevices(*configured, interfaces, instruments, out, err) ? 0 : 1;
}
