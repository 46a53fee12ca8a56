// The legacy NT hardware store: board models and their instance keys.
#pragma once

#include <string>

// Fills `list` (slots null on entry) with heap copies of the model names;
// returns the count, or -1 when there is no hardware store.
int ListLegacyHardware(char** list, int slots);
// "a\b" in a module-wide buffer that the next call overwrites; null when the
// joined text would not fit it.
const char* JoinKeyPath(const char* a, const char* b);
// The board model of a hardware key: its first non-empty element.
std::string BoardModelOf(const std::string& hardwareKey);
// The model's description (the unnamed value of its key).
int ReadHardwareDescription(const char* model, char* buffer, unsigned capacity);

// A heap copy for a hardware key list slot (null when memory is short), and
// the release of every slot of a list.
char* CopyHardwareKey(const char* text);
void ReleaseHardwareKeyList(char** list, int slots);

const int kHardwareKeySlots = 16;

// A hardware key list that owns its slots: a producer fills `slots` and its
// result goes to `count` (the slots filled, or -1); the slots are released
// with the list.
struct HardwareKeyList {
    char* slots[kHardwareKeySlots] = {};
    int count = 0;

    HardwareKeyList() = default;
    ~HardwareKeyList() { ReleaseHardwareKeyList(slots, kHardwareKeySlots); }
    HardwareKeyList(HardwareKeyList&& other) noexcept;
    HardwareKeyList(const HardwareKeyList&) = delete;
    HardwareKeyList& operator=(const HardwareKeyList&) = delete;
    HardwareKeyList& operator=(HardwareKeyList&&) = delete;
};
