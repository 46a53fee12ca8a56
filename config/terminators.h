// The terminator names and what each stands for: the one table that the
// stored names ("TermIn", "TermOut"), the EOS lists, the enabled Term edits
// and the stored characters are all read from.
#pragma once

#include "platform/win32.h"

// A position of a terminator: a fixed character (0 to 255), or one of these.
const int kTermNoChar = -1;   // no character goes there
const int kTermUserChar = -2; // the character the user gives

struct TerminatorRule {
    const char* storedName;
    // The EOS lists show this text, followed by one blank.
    const char* shownName;
    int first;
    int second;
};

const int kTerminatorCount = 7;
// In the order of the EOS lists.
extern const TerminatorRule kTerminators[kTerminatorCount];

// The list texts of the two user terminators.
extern const char kUserOneTermText[];
extern const char kUserTwoTermsText[];

// The rule of a stored name, or of a shown name (exact); null when none has it.
const TerminatorRule* TerminatorByStoredName(const char* storedName);
const TerminatorRule* TerminatorByShownName(const char* shownName);

const int kMaxTermChar = 255;

// 1 when 0 <= value <= kMaxTermChar.
int IsTermChar(LONG value);
// The name of the first rule the two character values fit; the first rule's
// when none does.
const char* TermNameFromChars(LONG first, LONG second);
