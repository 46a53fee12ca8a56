// The legacy NT hardware store and the model helpers.
#include "registry_test_fixture.h"

#include "config/hardware_store.h"
#include "config/isa_models.h"

#include <cstdio>
#include <string>
#include <vector>

TEST(ModelNames, IsaFamilyByTheModelNameRule)
{
    EXPECT_EQ(IsIsaModel("sotal"), 1);
    EXPECT_EQ(IsIsaModel("Vinor plus"), 1);
    EXPECT_EQ(IsIsaModel("RUMEX"), 1);
    EXPECT_EQ(IsIsaModel("Quoran"), 0);
    EXPECT_EQ(IsIsaModel(""), 0);
}

TEST(ModelNames, JoinKeyPathRefusesWhatDoesNotFit)
{
    EXPECT_STREQ(JoinKeyPath("Rumex", "0002"), "Rumex\\0002");
    std::string model(58, 'M');
    const char* joined = JoinKeyPath(model.c_str(), "0000"); // 63 characters: fits
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(std::string(joined), model + "\\0000");
    model += 'M';
    EXPECT_EQ(JoinKeyPath(model.c_str(), "0000"), nullptr);
    EXPECT_EQ(JoinKeyPath(nullptr, "0000"), nullptr);
    EXPECT_STREQ(JoinKeyPath("Quoran", "0001"), "Quoran\\0001") << "usable again after a refusal";
}

using HardwareStore = RegistryTest;

TEST_F(HardwareStore, ListsModelsInEnumerationOrder)
{
    char* list[16] = {};
    EXPECT_EQ(ListLegacyHardware(list, 16), -1) << "no store";
    LoadFixture("legacy_hardware.reg");
    ASSERT_EQ(ListLegacyHardware(list, 16), 2);
    EXPECT_STREQ(list[0], "Quoran");
    EXPECT_STREQ(list[1], "Rumex");
    EXPECT_EQ(list[2], nullptr);
    ReleaseHardwareKeyList(list, 16);
    EXPECT_EQ(list[0], nullptr);

    char description[128];
    EXPECT_EQ(ReadHardwareDescription("rumex", description, sizeof description), 1);
    EXPECT_STREQ(description, "Rumex ISA IEEE 488 interface");
    EXPECT_EQ(ReadHardwareDescription("Sotal", description, sizeof description), 0);
    char tiny[8];
    EXPECT_EQ(ReadHardwareDescription("Quoran", tiny, sizeof tiny), 0);
}

TEST_F(HardwareStore, ListStopsAtTheSlotCountAndSkipsLongNames)
{
    std::string reg = "REGEDIT4\n";
    for (int i = 0; i < 20; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Model%02d", i);
        reg += std::string("[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\") + name + "]\n";
    }
    reg += "[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\A" + std::string(130, 'x') + "]\n";
    LoadReg(reg);
    HardwareKeyList list;
    ASSERT_EQ(ListLegacyHardware(list.slots, kHardwareKeySlots), 16);
    EXPECT_STREQ(list.slots[0], "Model00") << "the over-long first name is skipped";
    EXPECT_STREQ(list.slots[15], "Model15");

    HardwareKeyList few;
    EXPECT_EQ(ListLegacyHardware(few.slots, 3), 3);
    EXPECT_EQ(few.slots[3], nullptr);
}

TEST_F(HardwareStore, EmptyStoreListsNothing)
{
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum]\n");
    char* list[16] = {};
    EXPECT_EQ(ListLegacyHardware(list, 16), 0);
    EXPECT_EQ(list[0], nullptr);
}
