// Interface and device nodes under HKCU "Software\Korvex\IEEE".
#include "registry_test_fixture.h"

#include "config/config_layout.h"
#include "config/config_nodes.h"
#include "config/terminators.h"

#include <set>
#include <string>

namespace {

const char kRoot[] = "Software\\Korvex\\IEEE";

std::set<std::string> ValueNames(HKEY key)
{
    std::set<std::string> names;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.insert(name);
        length = sizeof name;
    }
    return names;
}

} // namespace

class ConfigNodes : public RegistryTest {
protected:
    RegKey Node(const char* path)
    {
        return Open(HKEY_CURRENT_USER, (std::string(kRoot) + "\\" + path).c_str());
    }
};

TEST_F(ConfigNodes, NewInterfaceNodeHoldsExactlyItsDefaults)
{
    ASSERT_EQ(ConfigCreateNode("0001", 1, "IEEE1"), 1);
    RegKey node = Node("0001");
    ASSERT_TRUE(node.Get());
    std::set<std::string> expected = {"UserName", "SystemController", "PrimaryAddress", "Timeout",
                                      "TermInEOI", "TermOutEOI", "TermIn0", "TermIn1",
                                      "TermOut0", "TermOut1", "TermIn", "TermOut"};
    EXPECT_EQ(ValueNames(node.Get()), expected);
    EXPECT_EQ(ValueCount(node.Get()), 12);
    EXPECT_EQ(ReadString(node.Get(), "UserName"), "IEEE1");
    EXPECT_EQ(ReadDword(node.Get(), "SystemController"), 1u);
    EXPECT_EQ(ReadDword(node.Get(), "PrimaryAddress"), 21u);
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 10000u);
    EXPECT_EQ(ReadDword(node.Get(), "TermInEOI"), 1u);
    EXPECT_EQ(ReadDword(node.Get(), "TermOutEOI"), 1u);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 13u);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn1"), 10u);
    EXPECT_EQ(ReadDword(node.Get(), "TermOut0"), 13u);
    EXPECT_EQ(ReadDword(node.Get(), "TermOut1"), 10u);
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "CR_LF");
    EXPECT_EQ(ReadString(node.Get(), "TermOut"), "CR_LF");

    ASSERT_EQ(ConfigCreateNode("0002", 1, nullptr), 1);
    RegKey unnamed = Node("0002");
    EXPECT_EQ(ValueCount(unnamed.Get()), 11);
    EXPECT_FALSE(HasValue(unnamed.Get(), "UserName"));
}

TEST_F(ConfigNodes, NewDeviceNodeHasSecondaryAddressAndNoInterfaceValues)
{
    ASSERT_EQ(ConfigCreateNode("0000\\0003", 0, "Wave"), 1);
    RegKey node = Node("0000\\0003");
    ASSERT_TRUE(node.Get());
    EXPECT_EQ(ReadDword(node.Get(), "SecondaryAddress"), 255u);
    EXPECT_EQ(ReadDword(node.Get(), "PrimaryAddress"), 16u);
    EXPECT_FALSE(HasValue(node.Get(), "SystemController"));
    EXPECT_FALSE(HasValue(node.Get(), "HardwareKey"));
    EXPECT_FALSE(HasValue(node.Get(), "BlockModeEnabled"));
    EXPECT_EQ(ValueCount(node.Get()), 12);
    EXPECT_TRUE(Node("0000").Get()) << "missing levels are created";
}

TEST_F(ConfigNodes, ExistingNodeIsOnlyCompleted)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n"
            "\"PrimaryAddress\"=dword:00000005\n"
            "\"UserName\"=\"Scope\"\n"
            "\"TermIn0\"=dword:ffffffff\n"
            "\"TermIn1\"=dword:ffffffff\n"
            "\"TermOut\"=\"LF\"\n");
    ASSERT_EQ(ConfigCreateNode("0000\\0001", 0, "Other"), 1);
    RegKey node = Node("0000\\0001");
    EXPECT_EQ(ReadDword(node.Get(), "PrimaryAddress"), 5u);
    EXPECT_EQ(ReadString(node.Get(), "UserName"), "Scope");
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "NONE");
    EXPECT_EQ(ReadDword(node.Get(), "TermIn0"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDword(node.Get(), "TermIn1"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadString(node.Get(), "TermOut"), "LF");
    EXPECT_EQ(ReadDword(node.Get(), "Timeout"), 10000u);
    EXPECT_EQ(ValueCount(node.Get()), 12);

    // Running it again changes nothing.
    ASSERT_EQ(ConfigCreateNode("0000\\0001", 0, "Other"), 1);
    EXPECT_EQ(ValueCount(node.Get()), 12);
    EXPECT_EQ(ReadString(node.Get(), "UserName"), "Scope");
}

TEST_F(ConfigNodes, TermNameOfAMistypedCharacterValueUsesZero)
{
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0003]\n"
            "\"TermIn0\"=\"13\"\n"
            "\"TermIn1\"=dword:ffffffff\n");
    ASSERT_EQ(ConfigCreateNode("0003", 1, nullptr), 1);
    RegKey node = Node("0003");
    EXPECT_EQ(ReadString(node.Get(), "TermIn"), "USER 1") << "0 is a valid character, the second is none";
}

TEST_F(ConfigNodes, ReadsAndWritesGoThroughExistingNodesOnly)
{
    EXPECT_EQ(ConfigWriteString("0000", "UserName", "IEEE0"), 0);
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, kRoot).Get()) << "nothing is created";
    EXPECT_EQ(ConfigSetUserName("0000", "IEEE0"), 0);
    HKEY key = nullptr;
    EXPECT_EQ(ConfigOpenNode(nullptr, &key), 0);

    ASSERT_EQ(ConfigCreateNode("0000", 1, "IEEE0"), 1);
    EXPECT_EQ(ConfigSetUserName("0000", "Bench A"), 1);
    char name[32];
    EXPECT_EQ(ConfigReadString("0000", "UserName", name, sizeof name), 1);
    EXPECT_STREQ(name, "Bench A");
    EXPECT_EQ(ConfigReadString("0001", "UserName", name, sizeof name), 0);
    DWORD number = 0;
    EXPECT_EQ(ConfigReadDword("0000", "PrimaryAddress", &number), 1);
    EXPECT_EQ(number, 21u);
    EXPECT_EQ(ConfigReadDword("0000", "UserName", &number), 0);

    ASSERT_EQ(ConfigOpenNode(nullptr, &key), 1);
    RegKey root(key, HKEY_CURRENT_USER);
    char sub[8];
    EXPECT_EQ(RegEnumKeyA(key, 0, sub, sizeof sub), ERROR_SUCCESS);
    EXPECT_STREQ(sub, "0000");
}

TEST_F(ConfigNodes, DeleteRemovesDeviceNodesOnly)
{
    ASSERT_EQ(ConfigCreateNode("0000", 1, "IEEE0"), 1);
    ASSERT_EQ(ConfigCreateNode("0000\\0001", 0, "Wave"), 1);
    EXPECT_EQ(ConfigDeleteNode("0000"), 0) << "an interface with devices stays";
    EXPECT_EQ(ConfigDeleteNode("0000\\0001"), 1);
    EXPECT_FALSE(Node("0000\\0001").Get());
    EXPECT_EQ(ConfigDeleteNode("0000\\0001"), 0);
    EXPECT_TRUE(Node("0000").Get());
}

TEST_F(ConfigNodes, NodePathTooLongForTheKeyBufferTouchesNothing)
{
    std::string path(107, 'A'); // one character too many
    HKEY key = nullptr;
    EXPECT_EQ(ConfigCreateNodeKey(path.c_str(), &key), 0);
    EXPECT_EQ(ConfigCreateNode(path.c_str(), 1, "x"), 0);
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, kRoot).Get());
    std::string fits(106, 'A'); // root, backslash and 106 characters fill 127
    ASSERT_EQ(ConfigCreateNodeKey(fits.c_str(), &key), 1);
    RegCloseKey(key);
}

TEST(TermNames, DerivedFromTheCharacterPair)
{
    struct Case {
        LONG first, second;
        const char* name;
    } cases[] = {
        {13, 10, "CR_LF"}, {13, -1, "CR"},    {10, 13, "LF_CR"},     {10, 256, "LF"},     {-1, -1, "NONE"},
        {65, -1, "USER 1"}, {65, 66, "USER 2"}, {-1, 10, "CR_LF"},  {13, 13, "USER 2"}, {0, 0, "USER 2"},
        {255, 300, "USER 1"}, {256, 256, "NONE"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(TermNameFromChars(c.first, c.second), c.name) << c.first << ", " << c.second;
}
