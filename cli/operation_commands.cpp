#include "cli/operation_commands.h"

#include "buslink/interface_operations.h"
#include "buslink/transfers.h"
#include "cli/bus_address.h"
#include "cli/exit_status.h"
#include "cli/transfer_command.h"
#include "drovane/drovane.h"

#include <cctype>
#include <cstdio>

namespace {

const char* CommandName(DeviceOperation operation)
{
    switch (operation) {
    case DeviceOperation::Clear:
        return "clear";
    case DeviceOperation::Trigger:
        return "trigger";
    case DeviceOperation::SerialPoll:
        return "spoll";
    case DeviceOperation::WaitRequest:
        return "wait-srq";
    case DeviceOperation::Local:
        break;
    }
    return "local";
}

// Why `text` is no interface name, or empty.
std::string InterfaceProblem(const std::string& text)
{
    if (text.empty())
        return "no interface given";
    for (char c : text) {
        if (IsAddressSeparator(c))
            return "\"" + text + "\" is a device address; give the interface's name, as IEEE0";
    }
    return "";
}

// The interface open for an operation, or the failure reported.
bool Opened(const InterfaceConnection& connection, const std::string& interfaceName, const char* command,
            std::ostream& err)
{
    if (connection.IsOpen())
        return true;
    err << "quenbus " << command << ": " << interfaceName << ": cannot open the interface: "
        << connection.LastErrorText() << '\n';
    return false;
}

} // namespace

std::string StatusByteText(uint8_t statusByte)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", statusByte);
    std::string bits;
    for (int bit = 7; bit >= 0; --bit) {
        if (!(statusByte & (1 << bit)))
            continue;
        const char* name = bit == 6 ? "RQS" : bit == 5 ? "ESB" : bit == 4 ? "MAV" : nullptr;
        bits += (bits.empty() ? "" : ", ") + (name ? std::string(name) : "bit " + std::to_string(bit));
    }
    return std::to_string(statusByte) + " (" + hex + "): " + (bits.empty() ? "no bit set" : bits);
}

std::string DeviceAddressProblem(const std::string& text)
{
    size_t separator = 0;
    while (separator < text.size() && !IsAddressSeparator(text[separator]))
        ++separator;
    if (separator == 0 || separator == text.size())
        return "\"" + text + "\" is no device address; give an interface and a primary address, as IEEE0:22";
    // The numbers after the name: a primary address and perhaps a secondary one.
    int numbers = 0;
    size_t at = separator;
    while (at < text.size()) {
        size_t begin = at + 1;
        size_t end = begin;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end == begin || (end < text.size() && !IsAddressSeparator(text[end])) || ++numbers > 2)
            return "\"" + text + "\" is no device address; give an interface and a primary address, as IEEE0:22";
        if (end - begin > 2 || std::stoi(text.substr(begin, end - begin)) > DRV_MAX_ADDRESS)
            return std::string(numbers == 1 ? "the primary" : "the secondary") + " address of \"" + text +
                   "\" is out of range: addresses are 0 to " + std::to_string(DRV_MAX_ADDRESS);
        at = end;
    }
    return "";
}

int DeviceOperationCommand(DeviceOperation operation, const std::vector<std::string>& addresses,
                           unsigned long timeoutMs, std::ostream& out, std::ostream& err)
{
    for (const std::string& address : addresses) {
        std::string problem = DeviceAddressProblem(address);
        if (!problem.empty()) {
            err << "quenbus " << CommandName(operation) << ": " << problem << '\n';
            return kUsageError;
        }
        if (!AddressFits(address, err))
            return kUsageError;
    }
    int status = 0;
    for (const std::string& address : addresses) {
        Connection connection;
        bool opened = OpenToolAddress(connection, address, kTransferTimeoutMs).ok;
        OperationTransfer transfer = RunOpenedOperation(connection, opened, operation, timeoutMs);
        bool polled = operation == DeviceOperation::SerialPoll || operation == DeviceOperation::WaitRequest;
        if (transfer.status == 0) {
            if (polled)
                out << (operation == DeviceOperation::WaitRequest ? "service request: " : "") << "status byte "
                    << StatusByteText(transfer.statusByte) << '\n';
            continue;
        }
        status = 1;
        if (operation == DeviceOperation::WaitRequest && transfer.status == kTransferFailed &&
            transfer.error == DRV_ERR_TIMEOUT)
            err << "quenbus wait-srq: " << address << ": no service request within " << timeoutMs << " ms\n";
        else
            ReportStatus(address, transfer.status, transfer.problem, err);
    }
    return status;
}

int RemoteCommand(const std::string& interfaceName, bool off, bool lockout, std::ostream& err)
{
    std::string problem = InterfaceProblem(interfaceName);
    if (problem.empty() && off && lockout)
        problem = "--lockout needs remote enable on; leave out --off";
    if (!problem.empty()) {
        err << "quenbus remote: " << problem << '\n';
        return kUsageError;
    }
    InterfaceConnection connection(interfaceName.c_str());
    if (!Opened(connection, interfaceName, "remote", err))
        return 1;
    if (connection.RemoteEnable(!off, lockout))
        return 0;
    err << "quenbus remote: " << interfaceName << ": " << connection.LastErrorText() << '\n';
    return 1;
}

int InterfaceClearCommand(const std::string& interfaceName, std::ostream& err)
{
    std::string problem = InterfaceProblem(interfaceName);
    if (!problem.empty()) {
        err << "quenbus ifc: " << problem << '\n';
        return kUsageError;
    }
    InterfaceConnection connection(interfaceName.c_str());
    if (!Opened(connection, interfaceName, "ifc", err))
        return 1;
    if (connection.InterfaceClear())
        return 0;
    err << "quenbus ifc: " << interfaceName << ": " << connection.LastErrorText() << '\n';
    return 1;
}
