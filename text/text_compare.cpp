#include "text/text_compare.h"

#include <cstddef>

namespace {

const int kModelNameLimit = 10000;
const char kBlanksAndTabs[] = " \t";

char LowerCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

int CompareNoCase(const std::string& a, const std::string& b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    const char* pa = a.data();
    const char* pb = b.data();
    for (size_t i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        unsigned char ca = static_cast<unsigned char>(LowerCase(pa[i]));
        unsigned char cb = static_cast<unsigned char>(LowerCase(pb[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        if (LowerCase(*text) != LowerCase(*prefix))
            return 0;
    }
    return 1;
}

bool ContainsNoCase(const char* text, const char* part)
{
    for (;; ++text) {
        if (StartsWithNoCase(text, part))
            return true;
        if (!*text)
            return false;
    }
}

int TextEqualNoCase(const char* a, const char* b)
{
    if (a == b)
        return 1;
    if (!a || !b)
        return 0;
    for (int i = 0; i < kModelNameLimit; ++i) {
        if ((a[i] ^ b[i]) & ~0x20)
            return 0;
        if (a[i] == '\0' || b[i] == '\0')
            return 1;
    }
    return 1;
}

std::string TrimBlanks(const std::string& text)
{
    size_t first = text.find_first_not_of(kBlanksAndTabs);
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(kBlanksAndTabs);
    return text.substr(first, last - first + 1);
}

std::string TrimTrailingBlanks(const std::string& text)
{
    size_t last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}
