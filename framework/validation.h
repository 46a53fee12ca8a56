// What the data exchange accepts in an edit field, and the prompts it shows
// when it does not. Portable: no window is needed to decide.
#pragma once

#include <string>

// An unsigned decimal number, blanks and tabs around it allowed; values above
// 4294967295 are taken as 4294967295.
bool ParseUnsignedText(const std::string& text, unsigned long& value);
// A decimal integer with an optional sign, blanks and tabs around it allowed.
bool ParseIntegerText(const std::string& text, long& value);

extern const char kPromptPositiveInteger[];
extern const char kPromptInteger[];
// "Please enter an integer between LOW and HIGH."
std::string PromptIntegerRange(long low, long high);
// "Please enter no more than COUNT characters."
std::string PromptMaxChars(int count);
