// Quoted texts with escapes, as the bench files and the case tables write them:
// \r \n \t \0 \\ \" and \xHH.
#pragma once

#include <string>

// Appends the text of `token`, which must be one whole quoted text, to `text`.
bool ParseQuotedText(const std::string& token, std::string& text);
