#include "config/node_naming.h"

#include "config/node_index.h"
#include "text/text_compare.h"

const char kNewDeviceName[] = "New Device";

namespace {

const unsigned kLastNodeNumber = 0xFFFF;

} // namespace

unsigned NextDeviceNumber(const std::set<unsigned>& used)
{
    if (used.empty())
        return 1;
    unsigned next = *used.rbegin() + 1;
    if (next <= kLastNodeNumber)
        return next;
    for (unsigned number = 0; number <= kLastNodeNumber; ++number) {
        if (!used.count(number))
            return number;
    }
    return next & kLastNodeNumber;
}

void AddSubkeyNumbers(HKEY key, std::set<unsigned>& used)
{
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; ++index)
        used.insert(ParseNodeIndex(name));
}

std::string UnclaimedName(const std::string& base, const std::function<bool(const std::string&)>& taken,
                          size_t maxChars)
{
    std::string name = base.substr(0, maxChars);
    for (unsigned counter = 2; taken(name); ++counter) {
        std::string suffix = " (" + std::to_string(counter) + ")";
        size_t room = maxChars > suffix.size() ? maxChars - suffix.size() : 0;
        name = TrimTrailingBlanks(base.substr(0, room)) + suffix;
    }
    return name;
}
