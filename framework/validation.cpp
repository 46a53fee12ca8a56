#include "framework/validation.h"

#include <cctype>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The digits between optional blanks; `sign` receives a leading '+' or '-'.
bool SplitNumber(const std::string& text, bool allowSign, char& sign, std::string& digits)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    sign = 0;
    if (allowSign && i < text.size() && (text[i] == '-' || text[i] == '+'))
        sign = text[i++];
    size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    digits = text.substr(start, i - start);
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return !digits.empty() && i == text.size();
}

} // namespace

const char kPromptPositiveInteger[] = "Please enter a positive integer.";
const char kPromptInteger[] = "Please enter an integer.";

bool ParseUnsignedText(const std::string& text, unsigned long& value)
{
    char sign;
    std::string digits;
    if (!SplitNumber(text, false, sign, digits))
        return false;
    unsigned long long number = 0;
    for (char c : digits) {
        number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > 4294967295ull)
            number = 4294967295ull;
    }
    value = static_cast<unsigned long>(number);
    return true;
}

bool ParseIntegerText(const std::string& text, long& value)
{
    char sign;
    std::string digits;
    if (!SplitNumber(text, true, sign, digits))
        return false;
    long long number = 0;
    for (char c : digits) {
        number = number * 10 + (c - '0');
        if (number > 2147483648ll)
            return false;
    }
    if (sign == '-')
        number = -number;
    if (number > 2147483647ll)
        return false;
    value = static_cast<long>(number);
    return true;
}

bool ParseIntegerInRange(const std::string& text, long low, long high, long& value, std::string& prompt)
{
    long number = 0;
    if (!ParseIntegerText(text, number)) {
        char sign;
        std::string digits;
        // Too large for an integer is outside the range too.
        prompt = SplitNumber(text, true, sign, digits) ? PromptIntegerRange(low, high) : kPromptInteger;
        return false;
    }
    if (number < low || number > high) {
        prompt = PromptIntegerRange(low, high);
        return false;
    }
    value = number;
    return true;
}

std::string PromptIntegerRange(long low, long high)
{
    return "Please enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".";
}

std::string PromptMaxChars(int count)
{
    return "Please enter no more than " + std::to_string(count) + " characters.";
}

int CheckStateForValue(int value)
{
    return value >= 0 && value <= 2 ? value : 0;
}
