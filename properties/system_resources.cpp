#include "properties/system_resources.h"

#include "config/config_layout.h"
#include "config/reg_key.h"
#include "config/registry_access.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct ModelLists {
    const char* model;
    ResourceLists lists;
};

const ResourceList kIsaPorts = {4, {0x02E1, 0x22E1, 0x42E1, 0x62E1}, false};
const ResourceList kSotalIrqs = {6, {2, 3, 4, 5, 6, 7}, true};
const ResourceList kSotalDmas = {3, {1, 2, 3}, true};

const ModelLists kTable[] = {
    {"Rumex", {kIsaPorts, {11, {3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 15}, false}, {7, {0, 1, 2, 3, 5, 6, 7}, true}}},
    {"Sotal", {kIsaPorts, kSotalIrqs, kSotalDmas}},
    {"Vinor", {kIsaPorts, kSotalIrqs, kSotalDmas}},
};

const char* const kValueNames[] = {"PortAddr", "IrqLevel", "IrqNone", "DmaChan", "DmaNone"};

bool OpenInstance(const std::string& hardwareKey, HKEY& key)
{
    return RegOpenPath(HKEY_LOCAL_MACHINE, kHardwareStorePath, hardwareKey.c_str(), &key, 0) != 0;
}

} // namespace

const ResourceLists& LookupResourceLists(const std::string& model)
{
    for (const ModelLists& row : kTable) {
        if (model == row.model)
            return row.lists;
    }
    return kTable[0].lists;
}

BoardResources FactoryResources(const std::string& model)
{
    BoardResources resources;
    resources.portAddr = 0x02E1;
    resources.irqLevel = 5;
    resources.dmaChan = model == "Sotal" || model == "Vinor" ? 1 : 5;
    return resources;
}

bool ReadResources(const std::string& hardwareKey, BoardResources& resources)
{
    HKEY key = nullptr;
    // An empty hardware key would name the store itself, not a board.
    if (hardwareKey.empty() || !OpenInstance(hardwareKey, key))
        return false;
    RegKey instance(key, HKEY_LOCAL_MACHINE);
    resources.portAddr = static_cast<int>(RegFetchDword(key, kValueNames[0], 0));
    resources.irqLevel = static_cast<int>(RegFetchDword(key, kValueNames[1], 0));
    resources.irqNone = 0;
    resources.dmaChan = static_cast<int>(RegFetchDword(key, kValueNames[3], 0));
    resources.dmaNone = static_cast<int>(RegFetchDword(key, kValueNames[4], 0));
    return true;
}

bool WriteResources(const std::string& hardwareKey, const BoardResources& resources)
{
    HKEY key = nullptr;
    if (hardwareKey.empty() || !OpenInstance(hardwareKey, key))
        return false;
    RegKey instance(key, HKEY_LOCAL_MACHINE);
    RegPutDword(key, kValueNames[0], static_cast<DWORD>(resources.portAddr));
    RegPutDword(key, kValueNames[1], static_cast<DWORD>(resources.irqLevel));
    RegPutDword(key, kValueNames[2], 0);
    RegPutDword(key, kValueNames[3], static_cast<DWORD>(resources.dmaChan));
    RegPutDword(key, kValueNames[4], static_cast<DWORD>(resources.dmaNone));
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
