// The one home of case-blind comparison and trimming. Letters are the ASCII
// letters; every other byte compares as itself.
#pragma once

#include <string>

// Whole texts equal, letters compared without regard to case.
bool EqualNoCase(const std::string& a, const std::string& b);
// <0, 0 or >0 in the order Windows sorts key names: letters folded to lower
// case, then byte by byte, a shorter text first.
int CompareNoCase(const std::string& a, const std::string& b);
// Orders a map's keys without regard to case.
struct LessNoCase {
    bool operator()(const std::string& a, const std::string& b) const { return CompareNoCase(a, b) < 0; }
};
// 1 when `text` begins with `prefix`, letters compared without regard to case.
int StartsWithNoCase(const char* text, const char* prefix);
// Whether `part` occurs in `text`, letters compared without regard to case.
bool ContainsNoCase(const char* text, const char* part);
// The configuration's model-name rule, not general case folding: characters
// are equal when they differ at most in bit 5 (so a NUL matches a blank), and
// the texts match when they agree up to the end of either, over at most
// 10000 positions. Null never matches, the same pointer always does.
int TextEqualNoCase(const char* a, const char* b);

// The text without blanks and tabs at either end.
std::string TrimBlanks(const std::string& text);
// The text without blanks at its end.
std::string TrimTrailingBlanks(const std::string& text);
