// What the data exchange accepts in an edit field, and the prompts it shows
// when it does not. Portable: no window is needed to decide.
#pragma once

#include <string>

// An unsigned decimal number, blanks and tabs around it allowed; values above
// 4294967295 are taken as 4294967295.
bool ParseUnsignedText(const std::string& text, unsigned long& value);
// A decimal integer with an optional sign, blanks and tabs around it allowed.
bool ParseIntegerText(const std::string& text, long& value);
// A decimal integer from `low` to `high`. Otherwise false with the prompt to
// show: the range prompt for any decimal number outside the range, however
// large, the integer prompt for any other text.
bool ParseIntegerInRange(const std::string& text, long low, long high, long& value, std::string& prompt);

extern const char kPromptPositiveInteger[];
extern const char kPromptInteger[];
// "Please enter an integer between LOW and HIGH."
std::string PromptIntegerRange(long low, long high);
// "Please enter no more than COUNT characters."
std::string PromptMaxChars(int count);

// The state a check box is given for a value: 0, 1 and 2 (indeterminate)
// as they are, any other value as 0 (clear).
int CheckStateForValue(int value);
