// Bounded copies, text comparison and the argument test of the exports.
#pragma once

// Copies `source` whole when it fits `capacity` (1); otherwise copies what
// fits, terminates at the last byte and returns 0.
int CopyBounded(char* destination, const char* source, unsigned capacity);
// CopyBounded onto the end of `destination`, whose buffer holds `capacity`.
int AppendBounded(char* destination, const char* source, unsigned capacity);
// Equality, or with `substring` whether b occurs in a; upper-cased unless
// `caseSensitive`.
int TextMatch(const char* a, const char* b, int caseSensitive, int substring);
// 1 for a readable, non-empty text of at most 65535 characters.
int IsValidString(const char* text);
