#include "config/terminators.h"

#include <cstring>

const char kUserOneTermText[] = "User (1 term)";
const char kUserTwoTermsText[] = "User (2 terms)";

const TerminatorRule kTerminators[kTerminatorCount] = {
    {"CR_LF", "CR_LF", 13, 10},
    {"LF_CR", "LF_CR", 10, 13},
    {"CR", "CR", 13, kTermNoChar},
    {"LF", "LF", 10, kTermNoChar},
    {"NONE", "NONE", kTermNoChar, kTermNoChar},
    {"USER 1", kUserOneTermText, kTermUserChar, kTermNoChar},
    {"USER 2", kUserTwoTermsText, kTermUserChar, kTermUserChar},
};

namespace {

bool Fits(int position, LONG value)
{
    if (position == kTermNoChar)
        return !IsTermChar(value);
    if (position == kTermUserChar)
        return IsTermChar(value) != 0;
    return value == position;
}

} // namespace

const TerminatorRule* TerminatorByStoredName(const char* storedName)
{
    for (const TerminatorRule& rule : kTerminators) {
        if (std::strcmp(rule.storedName, storedName) == 0)
            return &rule;
    }
    return nullptr;
}

const TerminatorRule* TerminatorByShownName(const char* shownName)
{
    for (const TerminatorRule& rule : kTerminators) {
        if (std::strcmp(rule.shownName, shownName) == 0)
            return &rule;
    }
    return nullptr;
}

int IsTermChar(LONG value)
{
    return value >= 0 && value <= kMaxTermChar;
}

const char* TermNameFromChars(LONG first, LONG second)
{
    for (const TerminatorRule& rule : kTerminators) {
        if (Fits(rule.first, first) && Fits(rule.second, second))
            return rule.storedName;
    }
    return kTerminators[0].storedName;
}
