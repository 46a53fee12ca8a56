// The resources of an ISA board: the model's choices, its factory values,
// and their instance key in the hardware store.
#include "system_fixture.h"

#include "properties/system_resources.h"
#include "setup/setup_exports.h"

TEST(ResourceChoices, ListsByModelAndFactoryValues)
{
    const ResourceLists& rumex = LookupResourceLists("Rumex");
    EXPECT_EQ(rumex.irq.count, 11);
    EXPECT_EQ(rumex.irq.values[6], 10);
    EXPECT_FALSE(rumex.irq.noneAllowed);
    EXPECT_TRUE(rumex.dma.noneAllowed);
    const ResourceLists& vinor = LookupResourceLists("Vinor");
    EXPECT_EQ(vinor.irq.count, 6);
    EXPECT_TRUE(vinor.irq.noneAllowed);
    EXPECT_EQ(vinor.dma.count, 3);
    EXPECT_EQ(&LookupResourceLists("sotal"), &rumex) << "another letter case is another model";
    EXPECT_EQ(&LookupResourceLists("Quoran"), &rumex);
    EXPECT_EQ(rumex.io.values[1], 0x22E1);

    EXPECT_EQ(FactoryResources("Rumex").dmaChan, 5);
    EXPECT_EQ(FactoryResources("Vinor").dmaChan, 1);
    EXPECT_EQ(FactoryResources("vinor").dmaChan, 5);
    EXPECT_EQ(FactoryResources("Sotal").portAddr, 0x2E1);
    EXPECT_EQ(FactoryResources("Sotal").irqLevel, 5);

    EXPECT_EQ(PortText(0x2E1), "02E1");
    EXPECT_EQ(HexPrefixValue("22E1"), 0x22E1);
    EXPECT_EQ(HexPrefixValue(""), 0);
    EXPECT_EQ(DecimalPrefixValue("10"), 10);
    EXPECT_EQ(DecimalPrefixValue(""), 0);
}

using ResourcesStore = LegacyNtSystem;

// Set-up writes each ISA model's instance keys with the values the
// resources dialog's Set Defaults offers for that model.
TEST_F(ResourcesStore, SetUpStartsFromTheFactoryValues)
{
    for (const IsaModel& model : kIsaModels) {
        ASSERT_EQ(RegInitHdwrConfigNT(model.name, "an ISA board", nullptr), 1) << model.name;
        BoardResources stored;
        ASSERT_TRUE(ReadResources(std::string(model.name) + "\\0003", stored)) << model.name;
        BoardResources factory = FactoryResources(model.name);
        EXPECT_EQ(stored.portAddr, factory.portAddr) << model.name;
        EXPECT_EQ(stored.irqLevel, factory.irqLevel) << model.name;
        EXPECT_EQ(stored.dmaChan, factory.dmaChan) << model.name;
        EXPECT_EQ(stored.dmaNone, 0) << model.name;
    }
}

TEST_F(ResourcesStore, ReadAndWriteTheInstanceKey)
{
    BoardResources resources;
    EXPECT_FALSE(ReadResources("Sotal\\0001", resources)) << "no store";
    EXPECT_FALSE(WriteResources("Sotal\\0001", resources));
    EXPECT_FALSE(Open(HKEY_LOCAL_MACHINE, "Software\\Korvex").Get()) << "nothing created";
    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Sotal\\0001]\n"
            "\"PortAddr\"=dword:000022e1\n\"IrqLevel\"=dword:00000003\n\"IrqNone\"=dword:00000001\n"
            "\"DmaChan\"=dword:00000002\n\"DmaNone\"=\"1\"\n");
    ASSERT_TRUE(ReadResources("Sotal\\0001", resources));
    EXPECT_EQ(resources.portAddr, 0x22E1);
    EXPECT_EQ(resources.irqLevel, 3);
    EXPECT_EQ(resources.irqNone, 0) << "never read";
    EXPECT_EQ(resources.dmaChan, 2);
    EXPECT_EQ(resources.dmaNone, 0) << "mistyped reads as 0";
    EXPECT_FALSE(ReadResources("", resources)) << "no hardware key, no board";

    resources.dmaNone = 1;
    resources.irqNone = 1;
    ASSERT_TRUE(WriteResources("Sotal\\0001", resources));
    RegKey key = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Sotal\\0001");
    EXPECT_EQ(ReadDword(key.Get(), "DmaNone"), 1u);
    EXPECT_EQ(ReadDword(key.Get(), "IrqNone"), 0u) << "always 0";
    EXPECT_EQ(ReadDword(key.Get(), "PortAddr"), 0x22E1u);
}
