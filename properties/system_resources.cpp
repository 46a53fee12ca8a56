#include "properties/system_resources.h"

#include "config/config_layout.h"
#include "config/isa_models.h"
#include "config/reg_key.h"
#include "config/registry_access.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool OpenInstance(const std::string& hardwareKey, HKEY& key)
{
    return RegOpenPath(HKEY_LOCAL_MACHINE, kHardwareStorePath, hardwareKey.c_str(), &key, 0) != 0;
}

} // namespace

const ResourceLists& LookupResourceLists(const std::string& model)
{
    return IsaModelOrFirst(model).lists;
}

BoardResources FactoryResources(const std::string& model)
{
    const IsaModel& row = IsaModelOrFirst(model);
    BoardResources resources;
    resources.portAddr = static_cast<int>(row.portAddr);
    resources.irqLevel = static_cast<int>(row.irqLevel);
    resources.dmaChan = static_cast<int>(row.dmaChan);
    return resources;
}

bool ReadResources(const std::string& hardwareKey, BoardResources& resources)
{
    HKEY key = nullptr;
    // An empty hardware key would name the store itself, not a board.
    if (hardwareKey.empty() || !OpenInstance(hardwareKey, key))
        return false;
    RegKey instance(key, HKEY_LOCAL_MACHINE);
    resources.portAddr = static_cast<int>(RegFetchDword(key, kPortAddr, 0));
    resources.irqLevel = static_cast<int>(RegFetchDword(key, kIrqLevel, 0));
    resources.irqNone = 0;
    resources.dmaChan = static_cast<int>(RegFetchDword(key, kDmaChan, 0));
    resources.dmaNone = static_cast<int>(RegFetchDword(key, kDmaNone, 0));
    return true;
}

bool WriteResources(const std::string& hardwareKey, const BoardResources& resources)
{
    HKEY key = nullptr;
    if (hardwareKey.empty() || !OpenInstance(hardwareKey, key))
        return false;
    RegKey instance(key, HKEY_LOCAL_MACHINE);
    RegPutDword(key, kPortAddr, static_cast<DWORD>(resources.portAddr));
    RegPutDword(key, kIrqLevel, static_cast<DWORD>(resources.irqLevel));
    RegPutDword(key, kIrqNone, 0);
    RegPutDword(key, kDmaChan, static_cast<DWORD>(resources.dmaChan));
    RegPutDword(key, kDmaNone, static_cast<DWORD>(resources.dmaNone));
    return true;
}

std::string PortText(int port)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(port) & 0xFFFFu);
    return text;
}

int HexPrefixValue(const std::string& text)
{
    return static_cast<int>(std::strtoul(text.c_str(), nullptr, 16));
}

int DecimalPrefixValue(const std::string& text)
{
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}
