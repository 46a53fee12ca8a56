// ItemSettings: the settings of one interface or device as the Properties
// dialog holds them, their load from and store to the node, and the mapping
// between the terminator controls and the stored terminator values.
#pragma once

#include "config/terminators.h"

#include <string>

enum class NodeKind { Interface, Device };

struct TermRow {
    int eoi = 0;
    // The EOS list's text: a display name followed by one blank.
    std::string eos;
    int term1 = 0;
    int term2 = 0;
};

struct ItemSettings {
    std::string hardwareKey;
    std::string boardModel;
    int primaryAddress = -1;
    int secondaryAddress = -1;
    int secondaryNone = 0;
    unsigned long timeout = 0;
    int blockModeEnabled = 0;
    TermRow in;
    TermRow out;
};

std::string EosDisplayName(const std::string& storedName);
std::string EosStoredName(const std::string& listText);
// Entry `index` of an EOS list (0 to kTerminatorCount - 1): a shown name and one blank.
std::string EosListText(int index);

bool LoadSettings(NodeKind kind, const std::string& nodePath, ItemSettings& settings);
// False when the node cannot be opened (nothing is written) or the registry
// refused a value.
bool StoreSettings(NodeKind kind, const std::string& nodePath, const ItemSettings& settings);

// What choosing a terminator does to its row: the fixed Term values it
// sets (-1 leaves the value) and which Term edits it enables.
struct EosRule {
    int term1;
    int term2;
    bool term1Enabled;
    bool term2Enabled;
};
EosRule EosRuleFor(const std::string& listText);
// Applies the rule's fixed values to a row.
void ApplyEosValues(TermRow& row);

// The two values to store for a row (NO_TERM_CHAR, -1, where no character goes).
void TermValuesForStore(const std::string& listText, int term1, int term2, long& stored1, long& stored2);
