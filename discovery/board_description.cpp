// One line that a user recognises a board by: its description and location.
#include "discovery/board_discovery.h"

#include "config/text_utils.h"
#include "discovery/device_registry.h"
#include "text/text_compare.h"

#include <cstdio>

namespace {

// Room for the longest suffix: two blanks, "(I/O Port: ", "(Slot:" or
// "(S/N:", a text of up to 63 characters and ")".
const unsigned kSuffixSize = 80;
const unsigned kPartSize = 64;

void PciSuffix(const char* hardwareKey, const char* instance, char* suffix)
{
    char location[kPartSize];
    if (!ReadDeviceString(hardwareKey, "LocationInformation", location, sizeof location) &&
        !PciBusDevText(instance, location, sizeof location))
        CopyBounded(location, "?", sizeof location);
    std::snprintf(suffix, kSuffixSize, "  (%s)", location);
}

void PcCardSuffix(const char* hardwareKey, int* slotCounter, char* suffix)
{
    char slot[kPartSize] = "?";
    DWORD number = 0;
    WORD allocated = 0;
    if (slotCounter)
        std::snprintf(slot, sizeof slot, "%d", (*slotCounter)++);
    else if (ReadDeviceDword(hardwareKey, "UINumber", &number))
        std::snprintf(slot, sizeof slot, "%u", static_cast<unsigned>(number));
    else if (AllocatedSlot(hardwareKey, &allocated))
        std::snprintf(slot, sizeof slot, "%u", static_cast<unsigned>(allocated));
    std::snprintf(suffix, kSuffixSize, "  (Slot:%s)", slot);
}

} // namespace

int DescribeBoard(const char* hardwareKey, char* buffer, unsigned capacity, int* slotCounter)
{
    if (!ReadDeviceString(hardwareKey, "DeviceDesc", buffer, capacity))
        return 0;
    char instance[kPartSize];
    if (!CopyInstancePart(hardwareKey, instance, sizeof instance))
        return 0;
    char suffix[kSuffixSize] = "";
    WORD port = 0;
    if (StartsWithNoCase(hardwareKey, "PCI")) {
        PciSuffix(hardwareKey, instance, suffix);
    } else if (StartsWithNoCase(hardwareKey, "PCMCIA")) {
        PcCardSuffix(hardwareKey, slotCounter, suffix);
    } else if (StartsWithNoCase(hardwareKey, "ISAPNP")) {
        std::snprintf(suffix, sizeof suffix, "  (S/N:%s)", instance);
    } else if (StartsWithNoCase(hardwareKey, "ROOT")) {
        if (AllocatedIoPort(hardwareKey, &port))
            std::snprintf(suffix, sizeof suffix, "  (I/O Port: %X)", static_cast<unsigned>(port));
    } else {
        return 0;
    }
    return AppendBounded(buffer, suffix, capacity);
}
