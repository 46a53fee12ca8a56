// Quoted texts with escapes, as the bench files, the case tables, the bus log
// and the I/O trace write them: \r \n \t \0 \\ \" and \xHH.
#pragma once

#include <cstddef>
#include <string>

// Bytes as a double-quoted text: \" \\ \n \r \t and \xHH for other bytes
// outside printable ASCII. A null text is (null).
std::string Quoted(const char* data, size_t count);
std::string Quoted(const char* text);

// Appends the text of `token`, which must be one whole quoted text, to `text`.
bool ParseQuotedText(const std::string& token, std::string& text);
