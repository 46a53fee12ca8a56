#include "properties/item_settings.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/os_family.h"
#include "config/reg_key.h"
#include "config/registry_access.h"
#include "config/terminators.h"
#include "text/text_compare.h"

#include <cstring>

namespace {

// The rule of an EOS list text; null for a text no rule has.
const TerminatorRule* RuleOfListText(const std::string& listText)
{
    return TerminatorByStoredName(EosStoredName(TrimTrailingBlanks(listText)).c_str());
}

std::string FetchText(HKEY key, const char* name)
{
    char buffer[128];
    return RegFetchString(key, name, "", buffer, sizeof buffer);
}

// Room for any hardware key: a shorter buffer would read a long one as
// absent, and the next store would put an empty key in its place.
std::string FetchHardwareKey(HKEY key)
{
    char buffer[kHardwareKeySize];
    return RegFetchString(key, kHardwareKey, "", buffer, sizeof buffer);
}

int FetchInt(HKEY key, const char* name, DWORD defaultNumber)
{
    return static_cast<int>(RegFetchDword(key, name, defaultNumber));
}

int TermOrZero(int value)
{
    return IsTermChar(value) ? value : 0;
}

} // namespace

std::string EosDisplayName(const std::string& storedName)
{
    const TerminatorRule* rule = TerminatorByStoredName(storedName.c_str());
    return rule ? rule->shownName : storedName;
}

std::string EosStoredName(const std::string& listText)
{
    const TerminatorRule* rule = TerminatorByShownName(listText.c_str());
    return rule ? rule->storedName : listText;
}

std::string EosListText(int index)
{
    return std::string(kTerminators[index].shownName) + " ";
}

bool LoadSettings(NodeKind kind, const std::string& nodePath, ItemSettings& settings)
{
    HKEY key = nullptr;
    bool opened = ConfigOpenNode(nodePath.c_str(), &key) != 0;
    if (!opened && kind == NodeKind::Interface)
        return false;
    RegKey node(opened ? key : nullptr, HKEY_CURRENT_USER);
    // A device without a node reads every value as its default.
    HKEY from = opened ? key : nullptr;
    bool isInterface = kind == NodeKind::Interface;
    if (isInterface) {
        settings.hardwareKey = FetchHardwareKey(from);
        if (!IsPnpOs())
            settings.boardModel = BoardModelOf(settings.hardwareKey);
    }
    settings.primaryAddress = FetchInt(from, kPrimaryAddress, kInterfacePrimaryAddress);
    if (!isInterface) {
        settings.secondaryAddress = FetchInt(from, kSecondaryAddress, kNoSecondaryAddress);
        settings.secondaryNone = settings.secondaryAddress < 0 || settings.secondaryAddress > 31;
    }
    settings.timeout = RegFetchDword(from, kTimeout, kDefaultTimeout);
    if (isInterface)
        settings.blockModeEnabled = FetchInt(from, kBlockModeEnabled, 1);
    settings.in.eoi = FetchInt(from, kTermInEoi, 1);
    settings.out.eoi = FetchInt(from, kTermOutEoi, 1);
    settings.in.term1 = FetchInt(from, kTermIn0, kCarriageReturn);
    settings.in.term2 = FetchInt(from, kTermIn1, kLineFeed);
    settings.out.term1 = FetchInt(from, kTermOut0, kCarriageReturn);
    settings.out.term2 = FetchInt(from, kTermOut1, kLineFeed);
    settings.in.eos = EosDisplayName(FetchText(from, kTermIn)) + " ";
    settings.out.eos = EosDisplayName(FetchText(from, kTermOut)) + " ";
    for (int* term : {&settings.in.term1, &settings.in.term2, &settings.out.term1, &settings.out.term2})
        *term = TermOrZero(*term);
    return true;
}

bool StoreSettings(NodeKind kind, const std::string& nodePath, const ItemSettings& settings)
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(nodePath.c_str(), &key))
        return false;
    RegKey node(key, HKEY_CURRENT_USER);
    bool isInterface = kind == NodeKind::Interface;
    // Every value is written even after one was refused; any refusal fails the store.
    int written = 1;
    if (isInterface)
        written &= RegPutString(key, kHardwareKey, settings.hardwareKey.c_str());
    // A primary address list left without a selection keeps the stored address.
    if (settings.primaryAddress >= 0)
        written &= RegPutDword(key, kPrimaryAddress, static_cast<DWORD>(settings.primaryAddress));
    if (!isInterface)
        written &= RegPutDword(key, kSecondaryAddress,
                               settings.secondaryNone ? kNoSecondaryAddress
                                                      : static_cast<DWORD>(settings.secondaryAddress));
    written &= RegPutDword(key, kTimeout, static_cast<DWORD>(settings.timeout));
    if (isInterface) {
        written &= RegPutDword(key, kSystemController, 1);
        written &= RegPutDword(key, kBlockModeEnabled, static_cast<DWORD>(settings.blockModeEnabled));
    }
    written &= RegPutString(key, kTermIn, EosStoredName(TrimTrailingBlanks(settings.in.eos)).c_str());
    written &= RegPutString(key, kTermOut, EosStoredName(TrimTrailingBlanks(settings.out.eos)).c_str());
    long first = 0, second = 0;
    TermValuesForStore(settings.in.eos, settings.in.term1, settings.in.term2, first, second);
    written &= RegPutDword(key, kTermIn0, static_cast<DWORD>(first));
    written &= RegPutDword(key, kTermIn1, static_cast<DWORD>(second));
    TermValuesForStore(settings.out.eos, settings.out.term1, settings.out.term2, first, second);
    written &= RegPutDword(key, kTermOut0, static_cast<DWORD>(first));
    written &= RegPutDword(key, kTermOut1, static_cast<DWORD>(second));
    written &= RegPutDword(key, kTermInEoi, static_cast<DWORD>(settings.in.eoi));
    written &= RegPutDword(key, kTermOutEoi, static_cast<DWORD>(settings.out.eoi));
    return written != 0;
}

EosRule EosRuleFor(const std::string& listText)
{
    const TerminatorRule* rule = RuleOfListText(listText);
    if (!rule)
        return {-1, -1, false, false};
    return {IsTermChar(rule->first) ? rule->first : -1, IsTermChar(rule->second) ? rule->second : -1,
            rule->first == kTermUserChar, rule->second == kTermUserChar};
}

void ApplyEosValues(TermRow& row)
{
    EosRule rule = EosRuleFor(row.eos);
    if (rule.term1 >= 0)
        row.term1 = rule.term1;
    if (rule.term2 >= 0)
        row.term2 = rule.term2;
}

void TermValuesForStore(const std::string& listText, int term1, int term2, long& stored1, long& stored2)
{
    const TerminatorRule* rule = RuleOfListText(listText);
    stored1 = rule && rule->first == kTermNoChar ? kTermNoChar : term1;
    stored2 = rule && rule->second == kTermNoChar ? kTermNoChar : term2;
}
