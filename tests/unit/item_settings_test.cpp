// Loading and storing an item's settings, and the terminator rules.
#include "system_fixture.h"

#include "properties/item_settings.h"

#include "config/hardware_store.h"
#include "text/text_compare.h"

#include <string>

using ItemSettingsStore = Nt5System;

TEST(EosNames, DisplayAndStoredNamesAndRules)
{
    EXPECT_EQ(EosDisplayName("USER 1"), "User (1 term)");
    EXPECT_EQ(EosDisplayName("USER 2"), "User (2 terms)");
    EXPECT_EQ(EosDisplayName("user 1"), "user 1") << "exact comparison";
    EXPECT_EQ(EosStoredName("User (2 terms)"), "USER 2");
    EXPECT_EQ(EosStoredName("CR_LF"), "CR_LF");
    EXPECT_EQ(EosListText(0), "CR_LF ");
    EXPECT_EQ(EosListText(4), "NONE ");
    EXPECT_EQ(EosListText(6), "User (2 terms) ");

    struct Case {
        const char* text;
        int term1, term2;
        bool enabled1, enabled2;
        long stored1, stored2;
    } cases[] = {
        {"CR_LF ", 13, 10, false, false, 13, 10},       {"LF_CR ", 10, 13, false, false, 10, 13},
        {"CR ", 13, 7, false, false, 13, -1},           {"LF ", 10, 7, false, false, 10, -1},
        {"NONE ", 65, 7, false, false, -1, -1},         {"User (1 term) ", 65, 7, true, false, 65, -1},
        {"User (2 terms) ", 65, 7, true, true, 65, 7}, {"", 65, 7, false, false, 65, 7},
    };
    for (const Case& c : cases) {
        TermRow row{1, c.text, 65, 7};
        ApplyEosValues(row);
        EosRule rule = EosRuleFor(c.text);
        EXPECT_EQ(row.term1, c.term1) << c.text;
        EXPECT_EQ(row.term2, c.term2) << c.text;
        EXPECT_EQ(rule.term1Enabled, c.enabled1) << c.text;
        EXPECT_EQ(rule.term2Enabled, c.enabled2) << c.text;
        long stored1 = 0, stored2 = 0;
        TermValuesForStore(c.text, row.term1, row.term2, stored1, stored2);
        EXPECT_EQ(stored1, c.stored1) << c.text;
        EXPECT_EQ(stored2, c.stored2) << c.text;
    }
    EXPECT_EQ(BoardModelOf("\\\\Sotal\\0001"), "Sotal");
    EXPECT_EQ(BoardModelOf("\\\\"), "");
}

// Whatever characters a choice in the list stores, deriving the name from
// them again gives that choice: the list, the stored values and the names
// agree for every entry.
TEST(EosNames, EveryChoiceStoresCharactersThatNameIt)
{
    for (int i = 0; i < kTerminatorCount; ++i) {
        TermRow row{1, EosListText(i), 65, 66};
        ApplyEosValues(row);
        long stored1 = 0, stored2 = 0;
        TermValuesForStore(row.eos, row.term1, row.term2, stored1, stored2);
        std::string stored = EosStoredName(TrimTrailingBlanks(row.eos));
        EXPECT_STREQ(TermNameFromChars(stored1, stored2), stored.c_str()) << row.eos;
        EXPECT_EQ(EosDisplayName(stored) + " ", row.eos);
    }
}

TEST_F(ItemSettingsStore, UserTerminatorRoundTrips)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0002]\n"
            "\"TermIn\"=\"USER 1\"\n\"TermIn0\"=dword:00000041\n\"TermIn1\"=dword:ffffffff\n"
            "\"TermOut\"=\"cr_lf\"\n\"SecondaryAddress\"=dword:00000020\n\"TermOutEOI\"=dword:00000000\n");
    ItemSettings settings;
    ASSERT_TRUE(LoadSettings(NodeKind::Device, "0000\\0002", settings));
    EXPECT_EQ(settings.in.eos, "User (1 term) ");
    EXPECT_EQ(settings.in.term1, 65);
    EXPECT_EQ(settings.in.term2, 0) << "no character loads as 0";
    EXPECT_EQ(settings.out.eos, "cr_lf ");
    EXPECT_EQ(settings.secondaryNone, 1) << "32 is no secondary address";
    EXPECT_EQ(settings.out.eoi, 0);
    EXPECT_EQ(settings.primaryAddress, 21);
    EXPECT_EQ(settings.timeout, 10000u);

    settings.out.eos = "CR_LF "; // the list selects its "CR_LF" entry
    ASSERT_TRUE(StoreSettings(NodeKind::Device, "0000\\0002", settings));
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0002");
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "USER 1");
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 65u);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn1"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadString(node.Get(), "TermOut"), "CR_LF");
    EXPECT_EQ(ReadDword(node.Get(), "SecondaryAddress"), 255u);
    EXPECT_FALSE(HasValue(node.Get(), "SystemController")) << "device";
    EXPECT_FALSE(HasValue(node.Get(), "HardwareKey"));
}

TEST_F(ItemSettingsStore, EmptyDeviceNodeStoresItsDefaults)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001\\0004]\n");
    ItemSettings settings;
    ASSERT_TRUE(LoadSettings(NodeKind::Device, "0001\\0004", settings));
    ASSERT_TRUE(StoreSettings(NodeKind::Device, "0001\\0004", settings));
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0001\\0004");
    EXPECT_EQ(ReadDword(node.Get(), "PrimaryAddress"), 21u);
    EXPECT_EQ(ReadDword(node.Get(), "SecondaryAddress"), 255u);
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 10000u);
    EXPECT_EQ(ReadDword(node.Get(), "TermInEOI"), 1u);
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "");
    EXPECT_EQ(ReadString(node.Get(), "TermOut"), "");
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 13u);
    EXPECT_EQ(ReadDword(node.Get(), "TermOut1"), 10u);

    ItemSettings missing;
    EXPECT_TRUE(LoadSettings(NodeKind::Device, "0001\\0009", missing)) << "a device reads defaults";
    EXPECT_EQ(missing.timeout, 10000u);
    EXPECT_FALSE(StoreSettings(NodeKind::Device, "0001\\0009", missing)) << "never created here";
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0001\\0009").Get());
    ItemSettings interfaceSettings;
    EXPECT_FALSE(LoadSettings(NodeKind::Interface, "0005", interfaceSettings));
    EXPECT_EQ(interfaceSettings.primaryAddress, -1) << "nothing read";
}

TEST_F(ItemSettingsStore, InterfaceStoresSystemControllerAndKeepsAnUnselectedAddress)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
            "\"PrimaryAddress\"=dword:00000028\n\"HardwareKey\"=\"PCI\\\\VEN_10E8&DEV_8081\\\\1\"\n");
    ItemSettings settings;
    ASSERT_TRUE(LoadSettings(NodeKind::Interface, "0000", settings));
    EXPECT_EQ(settings.hardwareKey, "PCI\\VEN_10E8&DEV_8081\\1");
    EXPECT_EQ(settings.blockModeEnabled, 1);
    EXPECT_EQ(settings.primaryAddress, 40);
    settings.primaryAddress = -1; // 40 is not in the list: no selection
    ASSERT_TRUE(StoreSettings(NodeKind::Interface, "0000", settings));
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000");
    EXPECT_EQ(ReadDword(node.Get(), "PrimaryAddress"), 40u) << "nothing is stored as -1";
    EXPECT_EQ(ReadDword(node.Get(), "SystemController"), 1u);
    EXPECT_EQ(ReadDword(node.Get(), "BlockModeEnabled"), 1u);
}

TEST_F(ItemSettingsStore, StoreFailsWhenTheRegistryRefusesTheNode)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"Timeout\"=dword:00000064\n");
    ItemSettings settings;
    ASSERT_TRUE(LoadSettings(NodeKind::Device, "0000\\0001", settings));
    settings.timeout = 5000;
    {
        ReadOnlyKey readOnly(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0001");
        ASSERT_TRUE(readOnly.Made());
        EXPECT_FALSE(StoreSettings(NodeKind::Device, "0000\\0001", settings));
        RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0001");
        EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 100u) << "nothing was saved";
    }
    EXPECT_TRUE(StoreSettings(NodeKind::Device, "0000\\0001", settings)) << "writable again";
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\Korvex\\IEEE\\0000\\0001");
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 5000u);
}
