#include "config/text_utils.h"

#include "config/heap_string.h"
#include "platform/win32.h"
#include "text/text_compare.h"

#include <cstring>

int CopyBounded(char* destination, const char* source, unsigned capacity)
{
    size_t length = std::strlen(source);
    if (length < capacity) {
        std::memcpy(destination, source, length + 1);
        return 1;
    }
    std::memcpy(destination, source, capacity - 1);
    destination[capacity - 1] = '\0';
    return 0;
}

int AppendBounded(char* destination, const char* source, unsigned capacity)
{
    size_t used = std::strlen(destination);
    return CopyBounded(destination + used, source, capacity - static_cast<unsigned>(used));
}

int TextMatch(const char* a, const char* b, int caseSensitive, int substring)
{
    String first(a);
    String second(b);
    if (first.IsNull() || second.IsNull())
        return 0;
    if (!caseSensitive)
        return substring ? ContainsNoCase(first.data, second.data) : EqualNoCase(first.data, second.data);
    if (substring)
        return std::strstr(first.data, second.data) != nullptr;
    return std::strcmp(first.data, second.data) == 0;
}

int IsValidString(const char* text)
{
    if (!text || IsBadStringPtrA(text, 0xFFFF))
        return 0;
    return text[0] != '\0';
}
