// The registry layer: path operations, typed reads, write-if-absent and copying.
#include "registry_test_fixture.h"

#include "config/registry_access.h"

#include <cstring>
#include <string>

using RegistryAccess = RegistryTest;

TEST_F(RegistryAccess, OpenPathJoinsPresentPartsAndLeavesNothingOpenOnFailure)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenPath(HKEY_CURRENT_USER, nullptr, "", &key, 0), 1);
    EXPECT_EQ(key, HKEY_CURRENT_USER) << "no parts: the root itself";

    EXPECT_EQ(RegOpenPath(HKEY_CURRENT_USER, "Software\\QuenbusTest", "A\\B", &key, 0), 0);
    EXPECT_EQ(RegPathExists(HKEY_CURRENT_USER, "Software\\QuenbusTest", nullptr), 0);
    ASSERT_EQ(RegOpenPath(HKEY_CURRENT_USER, "Software\\QuenbusTest", "A\\B", &key, 1), 1);
    RegKey created(key, HKEY_CURRENT_USER);
    EXPECT_EQ(RegPathExists(HKEY_CURRENT_USER, "Software\\QuenbusTest\\A", "B"), 1);
    EXPECT_EQ(RegPathExists(HKEY_CURRENT_USER, nullptr, "Software\\QuenbusTest\\A\\B"), 1);
    // First part present, second missing: fails (the fixture checks no key stays open).
    EXPECT_EQ(RegOpenPath(HKEY_CURRENT_USER, "Software\\QuenbusTest", "Missing", &key, 0), 0);
    // A caller's own key as root is handed back, never closed.
    RegKey scratch = Scratch();
    ASSERT_EQ(RegOpenPath(scratch.Get(), "", nullptr, &key, 0), 1);
    EXPECT_EQ(key, scratch.Get());
    EXPECT_EQ(RegPathExists(scratch.Get(), nullptr, nullptr), 1);
    EXPECT_EQ(RegPathExists(scratch.Get(), "A", "B"), 1);
}

TEST_F(RegistryAccess, TypedReadRefusesWrongTypeAndOversizedValues)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    ASSERT_EQ(RegPutDword(key, "Number", 42), 1);
    ASSERT_EQ(RegPutString(key, "Long", std::string(39, 'x').c_str()), 1); // 40 bytes stored

    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(RegReadTyped(key, "Number", buffer, sizeof buffer, REG_SZ), 0);
    EXPECT_EQ(buffer[0], '#') << "buffer left alone";
    EXPECT_EQ(RegReadTyped(key, "Long", buffer, sizeof buffer, REG_SZ), 0) << "no truncated text";
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(RegReadTyped(key, "Missing", buffer, sizeof buffer, REG_SZ), 0);
    char big[64];
    EXPECT_EQ(RegReadTyped(key, "Long", big, sizeof big, REG_SZ), 1);
    EXPECT_EQ(std::string(big), std::string(39, 'x'));
    DWORD number = 0;
    EXPECT_EQ(RegReadTyped(key, "Number", &number, sizeof number, REG_DWORD), 1);
    EXPECT_EQ(number, 42u);

    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0), ERROR_SUCCESS);
    EXPECT_EQ(RegReadTyped(key, "Empty", buffer, sizeof buffer, REG_SZ), 0) << "size 0 is refused";
}

TEST_F(RegistryAccess, StringReadsAreAlwaysTerminated)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    // Stored without terminator: "abcX" with a size of 3.
    ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3), ERROR_SUCCESS);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(RegReadTyped(key, "Bare", buffer, 4, REG_SZ), 1);
    EXPECT_STREQ(buffer, "abc");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(RegReadTyped(key, "Bare", buffer, 3, REG_SZ), 0) << "no room for the terminator";
    EXPECT_EQ(buffer[0], '#');
    // A terminated value that fills the buffer exactly is read whole.
    ASSERT_EQ(RegPutString(key, "Exact", "abc"), 1);
    EXPECT_EQ(RegReadTyped(key, "Exact", buffer, 4, REG_SZ), 1);
    EXPECT_STREQ(buffer, "abc");

    char text[8];
    EXPECT_STREQ(RegFetchString(key, "Bare", "df", text, 3), "df") << "unterminated and too long: default";
    EXPECT_STREQ(RegFetchString(key, "Bare", "dflt", text, sizeof text), "abc");
    EXPECT_EQ(RegReadPathString(HKEY_CURRENT_USER, kScratchPath, nullptr, "Bare", text, sizeof text), 1);
    EXPECT_STREQ(text, "abc");
}

TEST_F(RegistryAccess, DefaultsReplaceMissingMistypedAndMissizedValues)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    ASSERT_EQ(RegPutString(key, "Text", "12"), 1);
    ASSERT_EQ(RegPutDword(key, "Number", 7), 1);
    BYTE twoBytes[2] = {1, 2};
    ASSERT_EQ(RegSetValueExA(key, "Short", 0, REG_DWORD, twoBytes, 2), ERROR_SUCCESS);

    EXPECT_EQ(RegFetchDword(key, "Text", 99), 99u);
    EXPECT_EQ(RegFetchDword(key, "Short", 99), 99u);
    EXPECT_EQ(RegFetchDword(key, "Missing", 99), 99u);
    EXPECT_EQ(RegFetchDword(key, "Number", 99), 7u);

    char buffer[16];
    EXPECT_STREQ(RegFetchString(key, "Number", "fallback", buffer, sizeof buffer), "fallback");
    EXPECT_STREQ(RegFetchString(key, "Text", "fallback", buffer, sizeof buffer), "12");

    DWORD fallback = 5;
    DWORD number = 0;
    EXPECT_EQ(RegReadOrDefault(key, "Missing", &fallback, sizeof fallback, &number, sizeof number, REG_DWORD), 0);
    EXPECT_EQ(number, 5u);
    EXPECT_EQ(RegReadOrDefault(key, "Number", &fallback, sizeof fallback, &number, sizeof number, REG_DWORD), 1);
    EXPECT_EQ(number, 7u);

    number = 0;
    EXPECT_EQ(RegReadPathDword(HKEY_CURRENT_USER, kScratchPath, nullptr, "Short", &number), 0);
    EXPECT_EQ(RegReadPathDword(HKEY_CURRENT_USER, kScratchPath, nullptr, "Number", &number), 1);
    EXPECT_EQ(number, 7u);
    DWORD size = 0;
    EXPECT_EQ(RegReadPathSize(HKEY_CURRENT_USER, kScratchPath, nullptr, "Text", &size), 1);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(RegReadPathSize(HKEY_CURRENT_USER, kScratchPath, "Missing", "Text", &size), 0);
    EXPECT_EQ(RegValueSize(key, "Short", &size), 1);
    EXPECT_EQ(size, 2u);
}

TEST_F(RegistryAccess, IfAbsentWritesNeverOverwrite)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    ASSERT_EQ(RegPutString(key, "Kept", "user text"), 1);
    EXPECT_EQ(RegPutDwordIfAbsent(key, "Kept", 3), 1);
    EXPECT_EQ(ReadString(key, "Kept"), "user text") << "a value of another type counts as present";
    EXPECT_EQ(RegPutStringIfAbsent(key, "Kept", "other"), 1);
    EXPECT_EQ(ReadString(key, "Kept"), "user text");
    EXPECT_EQ(RegPutDwordIfAbsent(key, "New", 3), 1);
    EXPECT_EQ(ReadDword(key, "New"), 3u);
    EXPECT_EQ(RegHasValue(key, "new"), 1);
    EXPECT_EQ(RegHasValue(key, "Absent"), 0);

    EXPECT_EQ(RegHasDefaultValue(key), 0);
    EXPECT_EQ(RegPutDefaultIfAbsent(key, "description"), 1);
    EXPECT_EQ(RegPutDefaultIfAbsent(key, "replacement"), 1);
    EXPECT_EQ(ReadString(key, nullptr), "description");
}

TEST_F(RegistryAccess, DefaultValueBehindALongValueNameIsFound)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    std::string longName(70, 'N');
    ASSERT_EQ(RegPutString(key, longName.c_str(), "x"), 1);
    ASSERT_EQ(RegPutString(key, nullptr, "description"), 1);
    EXPECT_EQ(RegHasDefaultValue(key), 1);
    EXPECT_EQ(RegPutDefaultIfAbsent(key, "replacement"), 1);
    EXPECT_EQ(ReadString(key, nullptr), "description") << "the stored description is kept";
}

TEST_F(RegistryAccess, SubkeyProbeAndDeletion)
{
    RegKey scratch = Scratch();
    EXPECT_EQ(RegHasSubkey(scratch.Get()), 0);
    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Parent\\Child]\n");
    EXPECT_EQ(RegHasSubkey(scratch.Get()), 1);
    EXPECT_EQ(RegDeletePathSubkey(HKEY_CURRENT_USER, kScratchPath, nullptr, "Parent"), 0) << "has a subkey";
    EXPECT_EQ(RegDeletePathSubkey(HKEY_CURRENT_USER, kScratchPath, "Parent", "Child"), 1);
    EXPECT_EQ(RegDeletePathSubkey(HKEY_CURRENT_USER, kScratchPath, nullptr, "Parent"), 1);
    EXPECT_EQ(RegDeletePathSubkey(HKEY_CURRENT_USER, kScratchPath, nullptr, "Parent"), 0);
    EXPECT_EQ(RegDeletePathSubkey(HKEY_CURRENT_USER, kScratchPath, "Missing", "Parent"), 0);
    EXPECT_EQ(RegHasSubkey(scratch.Get()), 0);
}

TEST_F(RegistryAccess, CopyPathValuesCopiesEveryNamedValueUnchanged)
{
    LoadReg("REGEDIT4\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Source]\n"
            "@=\"not copied\"\n"
            "\"Text\"=\"abc\"\n"
            "\"Number\"=dword:00000005\n"
            "\"Multi\"=hex(7):61,00,62,00,00\n"
            "\"Expand\"=hex(2):25,41,25,00\n"
            "\"Binary\"=hex:de,ad\n"
            "\"ZeroBinary\"=hex:\n"
            "\"ZeroText\"=hex(1):\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Destination]\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\OnlyDefault]\n"
            "@=\"description\"\n");
    RegKey destination = Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Destination");
    ASSERT_EQ(RegCopyPathValues(HKEY_CURRENT_USER, kScratchPath, "Source", destination.Get()), 1);
    EXPECT_EQ(ValueCount(destination.Get()), 7);
    EXPECT_FALSE(HasValue(destination.Get(), nullptr)) << "the unnamed value stays behind";

    struct Expected {
        const char* name;
        DWORD type;
        std::string bytes;
    } expected[] = {
        {"Text", REG_SZ, std::string("abc", 4)},
        {"Number", REG_DWORD, std::string("\5\0\0\0", 4)},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"Expand", REG_EXPAND_SZ, std::string("%A%\0", 4)},
        {"Binary", REG_BINARY, "\xde\xad"},
        {"ZeroBinary", REG_BINARY, ""},
        {"ZeroText", REG_SZ, ""},
    };
    for (const Expected& e : expected) {
        char data[16];
        DWORD size = sizeof data;
        DWORD type = 0;
        ASSERT_EQ(RegQueryValueExA(destination.Get(), e.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
                  ERROR_SUCCESS)
            << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(std::string(data, size), e.bytes) << e.name;
    }

    EXPECT_EQ(RegCopyPathValues(HKEY_CURRENT_USER, kScratchPath, "OnlyDefault", destination.Get()), 1);
    EXPECT_EQ(RegCopyPathValues(HKEY_CURRENT_USER, kScratchPath, "Missing", destination.Get()), 0);
}

// Texts stored without terminator are copied as stored: nothing is read past
// them (the sanitized run catches that) and no terminator is added.
TEST_F(RegistryAccess, CopyPathValuesCopiesUnterminatedTextsByteForByte)
{
    LoadReg("REGEDIT4\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Source]\n"
            "\"Text\"=hex(1):61,62,63\n"
            "\"Expand\"=hex(2):25,41,25\n"
            "\"Multi\"=hex(7):61,00,62\n"
            "\"Single\"=hex(1):7a\n"
            "[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Destination]\n");
    RegKey destination = Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Destination");
    ASSERT_EQ(RegCopyPathValues(HKEY_CURRENT_USER, kScratchPath, "Source", destination.Get()), 1);
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } expected[] = {
        {"Text", REG_SZ, "abc"},
        {"Expand", REG_EXPAND_SZ, "%A%"},
        {"Multi", REG_MULTI_SZ, std::string("a\0b", 3)},
        {"Single", REG_SZ, "z"},
    };
    for (const auto& e : expected) {
        char data[16];
        DWORD size = sizeof data;
        DWORD type = 0;
        ASSERT_EQ(RegQueryValueExA(destination.Get(), e.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
                  ERROR_SUCCESS)
            << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(std::string(data, size), e.bytes) << e.name;
    }
}
