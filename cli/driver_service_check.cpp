#include "cli/driver_service_check.h"

#include "config/config_layout.h"
#include "config/isa_models.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "discovery/board_discovery.h"
#include "setup/driver_handover.h"
#include "service/driver_service.h"

#include <set>

namespace {

const DWORD kMaxParameterKeys = 100;

// Whether a numbered parameter key of the service holds the interface's
// name, primary address and system controller as the node has them now.
bool HandedOver(const std::string& service, const InterfaceRecord& bus)
{
    for (DWORD number = 0; number < kMaxParameterKeys; ++number) {
        std::string path = std::string(kServicesPath) + "\\" + service;
        HKEY key = nullptr;
        if (!RegOpenPath(HKEY_LOCAL_MACHINE, path.c_str(), std::to_string(number).c_str(), &key, 0))
            return false;
        RegKey holder(key, HKEY_LOCAL_MACHINE);
        char name[kUserNameSize] = "";
        RegFetchString(key, kUserName, "", name, sizeof name);
        if (bus.userName == name)
            return RegFetchDword(key, kPrimaryAddress, ~0u) == bus.primary &&
                   RegFetchDword(key, kSystemController, ~0u) == bus.systemController;
    }
    return false;
}

void CheckLegacyNt(const std::vector<InterfaceRecord>& interfaces, std::vector<std::string>& problems)
{
    std::set<std::string> services;
    for (const InterfaceRecord& bus : interfaces) {
        if (!bus.boardPresent)
            continue;
        std::string service;
        ServiceForHardwareKey(bus.hardwareKey.c_str(), service);
        std::string where = bus.path + " (" + bus.userName + "): ";
        if (!IsInstalledDriverNT(service.c_str())) {
            if (services.insert(service).second)
                problems.push_back(where + "the driver service " + service +
                                   " is not installed; install it with quenbus setup install");
            continue;
        }
        if (!IsStartedDriverNT(service.c_str()) && services.insert(service).second)
            problems.push_back(where + "the driver service " + service +
                               " is not running; start it (net start " + service + ")");
        if (!HandedOver(service, bus))
            problems.push_back(where + "the driver's copy of this interface is out of date; press Apply in the "
                               "IEEE 488 applet, or run quenbus setup install again");
    }
}

void CheckNt5(std::vector<std::string>& problems)
{
    std::vector<BYTE> records;
    int count = ListBoardDrivers(BoardIdTable[kBoardIdPrefixes], records);
    const auto* status = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(records.data());
    for (int i = 0; i < count; ++i)
        if (status[i].ServiceStatusProcess.dwCurrentState != SERVICE_RUNNING)
            problems.push_back(std::string("driver service ") + status[i].lpServiceName +
                               ": not running; start it (net start " + status[i].lpServiceName + ")");
}

} // namespace

void CheckDriverServices(const std::vector<InterfaceRecord>& interfaces, std::vector<std::string>& problems)
{
    if (!IsWinNT())
        return;
    if (IsPnpOs())
        CheckNt5(problems);
    else
        CheckLegacyNt(interfaces, problems);
}
