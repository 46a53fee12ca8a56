#include "cli/list_command.h"

#include "cli/adapter_command.h"
#include "cli/bus_walk.h"
#include "config/config_layout.h"
#include "config/terminators.h"

#include <nlohmann/json.hpp>

#include <iomanip>

namespace {

std::string CharText(LONG value)
{
    return value >= 0 && value <= kMaxTermChar ? std::to_string(value) : "none";
}

std::string SideText(const TerminatorSide& side)
{
    return side.name + " (" + CharText(side.first) + ", " + CharText(side.second) + "), EOI " +
           (side.eoi ? "on" : "off");
}

nlohmann::ordered_json CharJson(LONG value)
{
    return value >= 0 && value <= kMaxTermChar ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json SideJson(const TerminatorSide& side)
{
    return {{"name", side.name}, {"eoi", side.eoi}, {"chars", {CharJson(side.first), CharJson(side.second)}}};
}

nlohmann::ordered_json SecondaryJson(DWORD secondary)
{
    return secondary <= kMaxSecondaryAddress ? nlohmann::ordered_json(secondary) : nlohmann::ordered_json(nullptr);
}

// The adapter's URL and its answer to ++ver (null when it gives none); null without one.
nlohmann::ordered_json AdapterJson(const std::string& url)
{
    if (url.empty())
        return nullptr;
    AdapterAnswer answer = AskAdapter(url, kAdapterVersionTimeoutMs);
    return {{"url", url}, {"version", answer.answers ? nlohmann::ordered_json(answer.text) : nlohmann::ordered_json(nullptr)}};
}

void PrintField(std::ostream& out, const char* indent, const char* label, const std::string& value)
{
    out << indent << std::left << std::setw(19) << label << value << '\n';
}

void PrintText(const std::vector<InterfaceRecord>& interfaces, std::ostream& out)
{
    for (const InterfaceRecord& bus : interfaces) {
        out << bus.userName << "  (node " << bus.path << ")  " << DriverAnswerText(bus.driverAnswer) << '\n';
        const char* indent = "    ";
        PrintField(out, indent, "board", bus.boardText);
        if (!bus.adapter.empty()) {
            AdapterAnswer answer = AskAdapter(bus.adapter, kAdapterVersionTimeoutMs);
            PrintField(out, indent, "adapter",
                       bus.adapter + "  (" + (answer.answers ? answer.text : "no answer: " + answer.text) + ")");
        }
        PrintField(out, indent, "primary address", std::to_string(bus.primary));
        PrintField(out, indent, "system controller", bus.systemController ? "yes" : "no");
        PrintField(out, indent, "time-out", std::to_string(bus.timeout) + " ms");
        PrintField(out, indent, "input terminator", SideText(bus.termIn));
        PrintField(out, indent, "output terminator", SideText(bus.termOut));
        PrintField(out, indent, "block mode", bus.blockMode ? "on" : "off");
        for (const DeviceRecord& device : bus.devices) {
            out << indent << device.userName << "  (node " << device.path << ")\n";
            const char* deeper = "        ";
            PrintField(out, deeper, "address",
                       std::to_string(device.primary) + ", secondary " + SecondaryText(device.secondary));
            PrintField(out, deeper, "time-out", std::to_string(device.timeout) + " ms");
            PrintField(out, deeper, "input terminator", SideText(device.termIn));
            PrintField(out, deeper, "output terminator", SideText(device.termOut));
        }
    }
}

nlohmann::ordered_json ToJson(const std::vector<InterfaceRecord>& interfaces)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const InterfaceRecord& bus : interfaces) {
        nlohmann::ordered_json devices = nlohmann::ordered_json::array();
        for (const DeviceRecord& device : bus.devices)
            devices.push_back({{"name", device.userName},
                               {"node", device.path},
                               {"primaryAddress", device.primary},
                               {"secondaryAddress", SecondaryJson(device.secondary)},
                               {"timeout", device.timeout},
                               {"termIn", SideJson(device.termIn)},
                               {"termOut", SideJson(device.termOut)}});
        list.push_back({{"name", bus.userName},
                        {"node", bus.path},
                        {"hardwareKey", bus.hardwareKey},
                        {"board", bus.boardPresent ? nlohmann::ordered_json(bus.boardText) : nlohmann::ordered_json(nullptr)},
                        {"adapter", AdapterJson(bus.adapter)},
                        {"driver", DriverAnswerText(bus.driverAnswer)},
                        {"primaryAddress", bus.primary},
                        {"systemController", bus.systemController != 0},
                        {"timeout", bus.timeout},
                        {"termIn", SideJson(bus.termIn)},
                        {"termOut", SideJson(bus.termOut)},
                        {"blockMode", bus.blockMode != 0},
                        {"devices", devices}});
    }
    return {{"root", std::string("HKEY_CURRENT_USER\\") + kConfigRootPath}, {"interfaces", list}};
}

} // namespace

int ListCommand(bool json, std::ostream& out, std::ostream& err)
{
    bool rootFound = false;
    std::vector<InterfaceRecord> interfaces = WalkBus(&rootFound);
    if (!rootFound) {
        err << "quenbus: there is no bus configuration (HKEY_CURRENT_USER\\" << kConfigRootPath
            << "); open the IEEE 488 applet once, or run the setup program\n";
        return 1;
    }
    AskDriver(interfaces);
    if (json)
        out << ToJson(interfaces).dump(2) << '\n';
    else
        PrintText(interfaces, out);
    return 0;
}
