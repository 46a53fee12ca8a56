#include "cli/bus_walk.h"

#include "cli/stored_values.h"
#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/interface_names.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/terminators.h"
#include "discovery/board_discovery.h"

#include <cstring>

const char kUnassignedBoard[] = "(Unassigned or not-present)";

namespace {

const unsigned kHardwareKeySize = 128;
const unsigned kBoardTextSize = 128;

TerminatorSide ReadSide(StoredValues& values, const char* name, const char* eoi, const char* first,
                        const char* second)
{
    TerminatorSide side;
    side.eoi = values.Dword(eoi, 1) != 0;
    side.first = static_cast<LONG>(values.Dword(first, kCarriageReturn));
    side.second = static_cast<LONG>(values.Dword(second, kLineFeed));
    // Absent, the name the characters stand for, as node creation writes it.
    side.name = values.Text(name, TermNameFromChars(side.first, side.second), kUserNameSize);
    return side;
}

void DescribeBoundBoard(InterfaceRecord& record, const HardwareKeyList& boards)
{
    record.boardPresent = false;
    record.boardText = kUnassignedBoard;
    bool pnp = IsPnpOs() != 0;
    std::string match = pnp ? record.hardwareKey : BoardModelOf(record.hardwareKey);
    if (match.empty())
        return;
    int slotCounter = 0;
    for (int i = 0; i < kHardwareKeySlots && i < boards.count; ++i) {
        const char* board = boards.slots[i];
        if (!board)
            continue;
        char text[kBoardTextSize] = "";
        // PC Cards are numbered in list order, so every board is described.
        if (pnp)
            DescribeBoard(board, text, sizeof text, IsWinNT5OrLater() ? &slotCounter : nullptr);
        if (match != board)
            continue;
        if (!pnp)
            ReadHardwareDescription(board, text, sizeof text);
        record.boardPresent = true;
        record.boardText = text;
        return;
    }
}

DeviceRecord ReadDevice(HKEY key, const std::string& path, const char* nodeName)
{
    StoredValues values(key);
    DeviceRecord device;
    device.path = path;
    device.userName = values.Text(kUserName, nodeName, kUserNameSize);
    device.primary = values.Dword(kPrimaryAddress, kInterfacePrimaryAddress);
    device.secondary = values.Dword(kSecondaryAddress, kNoSecondaryAddress);
    device.timeout = values.Dword(kTimeout, kDefaultTimeout);
    device.termIn = ReadSide(values, kTermIn, kTermInEoi, kTermIn0, kTermIn1);
    device.termOut = ReadSide(values, kTermOut, kTermOutEoi, kTermOut0, kTermOut1);
    device.problems = values.Problems();
    return device;
}

InterfaceRecord ReadInterface(HKEY key, const char* nodeName, const HardwareKeyList& boards)
{
    StoredValues values(key);
    InterfaceRecord record;
    record.path = nodeName;
    record.userName = values.Text(kUserName, nodeName, kUserNameSize);
    record.hardwareKey = values.Text(kHardwareKey, "", kHardwareKeySize);
    record.adapter = values.Text(kAdapter, "", kHardwareKeySize);
    record.primary = values.Dword(kPrimaryAddress, kInterfacePrimaryAddress);
    record.systemController = values.Dword(kSystemController, 1);
    record.timeout = values.Dword(kTimeout, kDefaultTimeout);
    record.blockMode = values.Dword(kBlockModeEnabled, 1);
    record.termIn = ReadSide(values, kTermIn, kTermInEoi, kTermIn0, kTermIn1);
    record.termOut = ReadSide(values, kTermOut, kTermOutEoi, kTermOut0, kTermOut1);
    record.problems = values.Problems();
    DescribeBoundBoard(record, boards);

    for (const std::string& child : ConfigNodeNames(key)) {
        std::string path = record.path + "\\" + child;
        HKEY deviceKey = nullptr;
        if (!ConfigOpenNode(path.c_str(), &deviceKey))
            continue;
        RegKey holder(deviceKey, nullptr);
        record.devices.push_back(ReadDevice(deviceKey, path, child.c_str()));
    }
    return record;
}

} // namespace

std::vector<InterfaceRecord> WalkBus(bool* rootFound)
{
    std::vector<InterfaceRecord> interfaces;
    HKEY root = nullptr;
    *rootFound = ConfigOpenNode(nullptr, &root) != 0;
    if (!*rootFound)
        return interfaces;
    RegKey rootHolder(root, nullptr);
    HardwareKeyList boards = ListInstalledBoards();
    for (const std::string& child : ConfigNodeNames(root)) {
        HKEY key = nullptr;
        if (!ConfigOpenNode(child.c_str(), &key))
            continue;
        RegKey holder(key, nullptr);
        interfaces.push_back(ReadInterface(key, child.c_str(), boards));
    }
    return interfaces;
}

void AskDriver(std::vector<InterfaceRecord>& interfaces)
{
    for (InterfaceRecord& bus : interfaces)
        bus.driverAnswer = CheckDriverName(bus.userName.c_str());
}

const char* DriverAnswerText(DriverCheck answer)
{
    switch (answer) {
    case DriverCheck::Accepted:
        return "opens";
    case DriverCheck::Failed:
        return "no board present";
    case DriverCheck::Unrecognised:
        return "unknown name";
    }
    return "";
}

std::string SecondaryText(DWORD secondary)
{
    return secondary <= kMaxSecondaryAddress ? std::to_string(secondary) : "none";
}

std::string ConfiguredNamesText()
{
    std::string names;
    for (const std::string& name : ConfiguredInterfaceNames())
        names += (names.empty() ? "" : ", ") + name;
    return names;
}
