// REGEDIT4 fixtures, applied through the registry calls.
#include "registry_test_fixture.h"

#include "platform/reg_file.h"

#include <vector>

using RegFile = RegistryTest;

TEST_F(RegFile, AppliesKeysAndEveryValueKind)
{
    LoadReg("REGEDIT4\n"
            "\n"
            "; comment\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Node]\n"
            "@=\"default text\"\n"
            "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\"\n"
            "\"Number\"=dword:0000ff01\n"
            "\"Bytes\"=hex:01,02,\\\n"
            "  03\n"
            "\"Multi\"=hex(7):61,00,62,00,00\n"
            "\"Empty\"=hex:\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Rumex\\0000]\n"
            "\"PortAddr\"=dword:000002e1\n");
    RegKey node = Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Node");
    ASSERT_TRUE(node.Get());
    EXPECT_EQ(ReadString(node.Get(), nullptr), "default text");
    EXPECT_EQ(ReadString(node.Get(), "Quoted"), "say \"hi\" C:\\dir");
    EXPECT_EQ(ReadDword(node.Get(), "Number"), 0xff01u);

    BYTE bytes[8];
    DWORD size = sizeof bytes;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(node.Get(), "Bytes", nullptr, &type, bytes, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), (std::vector<BYTE>{1, 2, 3}));
    size = sizeof bytes;
    ASSERT_EQ(RegQueryValueExA(node.Get(), "Multi", nullptr, &type, bytes, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(size, 5u);
    size = sizeof bytes;
    ASSERT_EQ(RegQueryValueExA(node.Get(), "Empty", nullptr, &type, bytes, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);

    RegKey instance = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Rumex\\0000");
    ASSERT_TRUE(instance.Get());
    EXPECT_EQ(ReadDword(instance.Get(), "PortAddr"), 0x2E1u);
}

TEST_F(RegFile, DeletesTreesAndValues)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\A\\B\\C]\n\"Keep\"=\"1\"\n\"Drop\"=\"2\"\n");
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\A\\B\\C]\n\"Drop\"=-\n"
            "[-HKEY_CURRENT_USER\\Software\\QuenbusTest\\A\\B]\n\"Ignored\"=\"x\"\n"
            "[-HKEY_CURRENT_USER\\Software\\QuenbusTest\\NotThere]\n");
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\A\\B").Get());
    RegKey a = Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\A");
    ASSERT_TRUE(a.Get());
    EXPECT_EQ(ValueCount(a.Get()), 0);
}

TEST_F(RegFile, ReportsTheFirstBadLine)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n", "not a REGEDIT4 file"},
        {"REGEDIT4\n\"Orphan\"=\"x\"\n", "line 2: value outside a key"},
        {"REGEDIT4\n[HKEY_NOWHERE\\X]\n", "line 2: unknown root key"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n\"N\"=dword:123456789\n", "line 3: bad value data"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n\"N\"=hex:1,zz\n", "line 3: bad value data"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n\"N\"\"x\"\n", "line 3: missing '='"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\n", "line 2: unterminated key name"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(RegLoadText(c.text, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::string error;
    EXPECT_FALSE(RegLoadFile(QUENBUS_FIXTURE_DIR "/no-such-file.reg", &error));
}

TEST_F(RegFile, FixtureFileSeedsTheHardwareStore)
{
    LoadFixture("legacy_hardware.reg");
    RegKey store = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum");
    ASSERT_TRUE(store.Get());
    char name[32];
    EXPECT_EQ(RegEnumKeyA(store.Get(), 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Quoran");
    RegKey rumex = Open(store.Get(), "Rumex\\0002");
    ASSERT_TRUE(rumex.Get());
    EXPECT_EQ(ReadDword(rumex.Get(), "DmaChan"), 5u);
}
