#include "cli/found_devices.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/node_index.h"
#include "config/node_naming.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "text/text_compare.h"

#include <set>

namespace {

DWORD SecondaryOf(DWORD stored)
{
    return stored <= kMaxSecondaryAddress ? stored : kNoSecondaryAddress;
}

const DeviceRecord* DeviceAt(const InterfaceRecord& bus, const FoundInstrument& instrument)
{
    for (const DeviceRecord& device : bus.devices) {
        if (device.primary == static_cast<DWORD>(instrument.primary) &&
            SecondaryOf(device.secondary) == SecondaryOf(static_cast<DWORD>(instrument.secondary)))
            return &device;
    }
    return nullptr;
}

std::string Where(const FoundInstrument& instrument)
{
    return "at address " + std::to_string(instrument.primary) + ", secondary " +
           SecondaryText(static_cast<DWORD>(instrument.secondary));
}

bool StoreAddress(const std::string& path, const FoundInstrument& instrument)
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(path.c_str(), &key))
        return false;
    RegKey node(key, HKEY_CURRENT_USER);
    return RegPutDword(key, kPrimaryAddress, static_cast<DWORD>(instrument.primary)) &&
           RegPutDword(key, kSecondaryAddress, SecondaryOf(static_cast<DWORD>(instrument.secondary)));
}

} // namespace

std::string DeviceNameFromIdentification(const std::string& identification)
{
    size_t start = identification.find(',');
    std::string model;
    if (start != std::string::npos) {
        std::string field = identification.substr(start + 1, identification.find(',', start + 1) - start - 1);
        for (char c : field) {
            if (static_cast<unsigned char>(c) >= ' ')
                model += c;
        }
        model = TrimBlanks(model);
    }
    return model.empty() ? kNewDeviceName : model;
}

bool AddFoundDevices(const InterfaceRecord& bus, const std::vector<InterfaceRecord>& interfaces,
                     const std::vector<FoundInstrument>& found, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> names;
    for (const InterfaceRecord& other : interfaces) {
        names.push_back(other.userName);
        for (const DeviceRecord& device : other.devices)
            names.push_back(device.userName);
    }
    auto taken = [&names](const std::string& name) {
        for (const std::string& other : names) {
            if (EqualNoCase(other, name))
                return true;
        }
        return false;
    };

    std::set<unsigned> used;
    HKEY key = nullptr;
    if (!ConfigOpenNode(bus.path.c_str(), &key)) {
        err << "quenbus: node " << bus.path << " (" << bus.userName << ") cannot be opened; nothing added\n";
        return false;
    }
    {
        RegKey node(key, HKEY_CURRENT_USER);
        AddSubkeyNumbers(key, used);
    }

    bool written = true;
    for (const FoundInstrument& instrument : found) {
        if (const DeviceRecord* device = DeviceAt(bus, instrument)) {
            out << "kept   " << device->userName << " (node " << device->path << ") " << Where(instrument) << '\n';
            continue;
        }
        if (used.size() >= kMaxNodes) {
            err << "quenbus: " << bus.userName << " holds " << kMaxNodes << " nodes, the most the applet shows; "
                << "nothing added " << Where(instrument) << '\n';
            written = false;
            continue;
        }
        unsigned number = NextDeviceNumber(used);
        char deviceName[kNodeNameSize];
        std::string path = bus.path + "\\" + FormatNodeIndex(number, deviceName, sizeof deviceName);
        std::string name = UnclaimedName(DeviceNameFromIdentification(instrument.identification), taken,
                                         kMaxNodeNameChars);
        if (!ConfigCreateNode(path.c_str(), 0, name.c_str()) || !StoreAddress(path, instrument)) {
            err << "quenbus: node " << path << " could not be written; nothing added " << Where(instrument) << '\n';
            written = false;
            continue;
        }
        used.insert(number);
        names.push_back(name);
        out << "added  " << name << " (node " << path << ") " << Where(instrument) << '\n';
    }
    return written;
}
