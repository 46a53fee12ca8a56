// What the code relies on from the registry and the string-pointer test.
// These run natively against the emulation and under Wine against the real
// registry: both runs must agree.
#include "registry_test_fixture.h"

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    DWORD index = 0;
    LONG rc;
    while ((rc = RegEnumKeyA(key, index++, name, sizeof name)) == ERROR_SUCCESS)
        names.push_back(name);
    EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
    return names;
}

void CreateSubkey(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(parent, name, &key), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

LONG SetString(HKEY key, const char* name, const char* bytes, DWORD size)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes), size);
}

DWORD QueriedSize(HKEY key, const char* name)
{
    DWORD size = 0xFFFF;
    EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS) << name;
    return size;
}

} // namespace

using RegistryPlatform = RegistryTest;

TEST_F(RegistryPlatform, SubkeysEnumerateInCaseInsensitiveSortedOrder)
{
    RegKey scratch = Scratch();
    for (const char* name : {"b", "A", "_x", "C", "a1", "Zed", "[q", "0010", "000F"})
        CreateSubkey(scratch.Get(), name);
    std::vector<std::string> expected = {"000F", "0010", "[q", "_x", "A", "a1", "b", "C", "Zed"};
    EXPECT_EQ(SubkeyNames(scratch.Get()), expected);
}

TEST_F(RegistryPlatform, NamesAreCaseInsensitiveAndKeepTheirFirstCase)
{
    RegKey scratch = Scratch();
    CreateSubkey(scratch.Get(), "MixedCase\\Inner");
    CreateSubkey(scratch.Get(), "MIXEDCASE");
    EXPECT_EQ(SubkeyNames(scratch.Get()), std::vector<std::string>{"MixedCase"});
    EXPECT_TRUE(Open(scratch.Get(), "mixedcase\\INNER").Get());

    DWORD one = 1, two = 2;
    ASSERT_EQ(RegSetValueExA(scratch.Get(), "Alpha", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(scratch.Get(), "ALPHA", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), ERROR_SUCCESS);
    EXPECT_EQ(ValueCount(scratch.Get()), 1);
    EXPECT_EQ(ReadDword(scratch.Get(), "alpha"), 2u);
    char name[32];
    DWORD length = sizeof name;
    ASSERT_EQ(RegEnumValueA(scratch.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Alpha");
    EXPECT_EQ(length, 5u);
}

TEST_F(RegistryPlatform, KeyWithSubkeysCannotBeDeleted)
{
    RegKey scratch = Scratch();
    CreateSubkey(scratch.Get(), "Parent\\Child");
    EXPECT_EQ(RegDeleteKeyA(scratch.Get(), "Parent"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Open(scratch.Get(), "Parent\\Child").Get());
    EXPECT_EQ(RegDeleteKeyA(scratch.Get(), "parent\\child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(scratch.Get(), "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(scratch.Get(), "Parent"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubkeyNames(scratch.Get()).empty());
}

TEST_F(RegistryPlatform, ReadOnlyKeyRefusesValueWrites)
{
    RegKey scratch = Scratch();
    CreateSubkey(scratch.Get(), "Locked\\Child");
    ASSERT_EQ(SetString(scratch.Get(), nullptr, "x", 2), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(scratch.Get(), "Locked", &key), ERROR_SUCCESS);
    RegKey locked(key, nullptr);
    ASSERT_EQ(SetString(locked.Get(), "Kept", "old", 4), ERROR_SUCCESS);
    {
        ReadOnlyKey readOnly(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Locked");
        ASSERT_TRUE(readOnly.Made());
        RegKey reopened = Open(scratch.Get(), "Locked");
        ASSERT_TRUE(reopened.Get()) << "reading stays allowed";
        EXPECT_EQ(SetString(reopened.Get(), "Other", "new", 4), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteValueA(reopened.Get(), "Kept"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(ReadString(reopened.Get(), "Kept"), "old");
        ASSERT_EQ(RegCreateKeyA(scratch.Get(), "Locked", &key), ERROR_SUCCESS) << "create opens it";
        EXPECT_EQ(SetString(key, "Other", "new", 4), ERROR_ACCESS_DENIED);
        RegCloseKey(key);
        RegKey child = Open(scratch.Get(), "Locked\\Child");
        EXPECT_EQ(SetString(child.Get(), "Value", "new", 4), ERROR_SUCCESS) << "its subkeys are not locked";
        EXPECT_EQ(SetString(scratch.Get(), nullptr, "y", 2), ERROR_SUCCESS) << "its parent is not locked";
    }
    RegKey again = Open(scratch.Get(), "Locked");
    EXPECT_EQ(SetString(again.Get(), "Kept", "new", 4), ERROR_SUCCESS) << "writable again";
}

TEST_F(RegistryPlatform, NameThatDoesNotFitFailsAtItsIndexOnly)
{
    RegKey scratch = Scratch();
    for (const char* name : {"0000", "00001", "0002"})
        CreateSubkey(scratch.Get(), name);
    char name[5];
    EXPECT_EQ(RegEnumKeyA(scratch.Get(), 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "0000");
    EXPECT_EQ(RegEnumKeyA(scratch.Get(), 1, name, sizeof name), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(scratch.Get(), 2, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "0002");
    EXPECT_EQ(RegEnumKeyA(scratch.Get(), 3, name, sizeof name), ERROR_NO_MORE_ITEMS);

    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(scratch.Get(), 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    ASSERT_EQ(SetString(scratch.Get(), "LongValueName", "x", 2), ERROR_SUCCESS);
    length = sizeof name;
    EXPECT_EQ(RegEnumValueA(scratch.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
}

TEST_F(RegistryPlatform, StringSizesCountTheTerminator)
{
    RegKey scratch = Scratch();
    HKEY key = scratch.Get();
    ASSERT_EQ(SetString(key, "Full", "abc", 4), ERROR_SUCCESS);
    EXPECT_EQ(QueriedSize(key, "Full"), 4u);
    // A terminator left out of the count but present in memory is counted.
    ASSERT_EQ(SetString(key, "Forgot", "abc", 3), ERROR_SUCCESS);
    EXPECT_EQ(QueriedSize(key, "Forgot"), 4u);
    // Followed by another character, the text is stored without terminator.
    ASSERT_EQ(SetString(key, "Bare", "abcX", 3), ERROR_SUCCESS);
    EXPECT_EQ(QueriedSize(key, "Bare"), 3u);
    char buffer[8];
    std::memset(buffer, 'Q', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, "Bare", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0Q", 5)) << "a NUL is added where there is room";
    std::memset(buffer, 'Q', sizeof buffer);
    size = 3;
    ASSERT_EQ(RegQueryValueExA(key, "Bare", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(buffer[3], 'Q') << "no room, no terminator";
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "Full", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    ASSERT_EQ(SetString(key, "Empty", "", 0), ERROR_SUCCESS);
    EXPECT_EQ(QueriedSize(key, "Empty"), 0u);
}

TEST_F(RegistryPlatform, UnnamedValueIsTheNullOrEmptyName)
{
    RegKey scratch = Scratch();
    ASSERT_EQ(SetString(scratch.Get(), nullptr, "first", 6), ERROR_SUCCESS);
    ASSERT_EQ(SetString(scratch.Get(), "", "second", 7), ERROR_SUCCESS);
    EXPECT_EQ(ValueCount(scratch.Get()), 1);
    EXPECT_EQ(ReadString(scratch.Get(), nullptr), "second");
    char name[8] = "junk";
    DWORD length = sizeof name;
    ASSERT_EQ(RegEnumValueA(scratch.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(length, 0u);
}

TEST_F(RegistryPlatform, DynDataRootHoldsKeysAndValues)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_DYN_DATA, "QuenbusTest\\Config Manager\\Enum\\C1A2B3C4", &key), ERROR_SUCCESS);
    RegKey holder(key, nullptr);
    ASSERT_EQ(SetString(key, "HardWareKey", "PCI\\VEN_1", 10), ERROR_SUCCESS);
    RegKey reopened = Open(HKEY_DYN_DATA, "QuenbusTest\\Config Manager\\Enum\\c1a2b3c4");
    ASSERT_TRUE(reopened.Get());
    EXPECT_EQ(ReadString(reopened.Get(), "HardWareKey"), "PCI\\VEN_1");
}

TEST_F(RegistryPlatform, OpeningAndPathsBehaveAsOnWindows)
{
    RegKey scratch = Scratch();
    CreateSubkey(scratch.Get(), "Level1\\Level2");
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyA(scratch.Get(), "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, scratch.Get()) << "an empty path hands back the caller's key";
    EXPECT_EQ(RegOpenKeyA(scratch.Get(), nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, scratch.Get());
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyA(scratch.Get(), "", &created), ERROR_SUCCESS);
    EXPECT_NE(created, scratch.Get()) << "create opens a new handle";
    RegCloseKey(created);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(scratch.Get(), "\\Level1", &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyA(scratch.Get(), "Missing", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Open(scratch.Get(), "Level1\\").Get());
    EXPECT_EQ(RegQueryValueExA(scratch.Get(), "Missing", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryPlatform, KeyDeletedWhileOpenRefusesWork)
{
    RegKey scratch = Scratch();
    HKEY gone = nullptr;
    ASSERT_EQ(RegCreateKeyA(scratch.Get(), "Gone", &gone), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(scratch.Get(), "Gone"), ERROR_SUCCESS);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(gone, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyA(gone, "Child", &child), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(gone), ERROR_SUCCESS);
    EXPECT_FALSE(Open(scratch.Get(), "Gone").Get());
}

namespace {

// Two pages: the first readable, the second not.
class GuardedPages {
public:
    GuardedPages()
    {
#ifdef _WIN32
        base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old);
#else
        base_ = static_cast<char*>(mmap(nullptr, 2 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + kPage, kPage, PROT_NONE);
#endif
    }
    ~GuardedPages()
    {
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, 2 * kPage);
#endif
    }
    // A text of `length` characters ending right at the unreadable page, terminated or not.
    const char* TextAtEnd(size_t length, bool terminated)
    {
        char* text = base_ + kPage - length - (terminated ? 1 : 0);
        std::memset(text, 'a', length);
        if (terminated)
            text[length] = '\0';
        return text;
    }
    const char* Unreadable() const { return base_ + kPage; }

    static const size_t kPage = 65536;

private:
    char* base_;
};

} // namespace

TEST(StringPointer, ReadabilityIsReallyTested)
{
    GuardedPages pages;
    EXPECT_FALSE(IsBadStringPtrA(pages.TextAtEnd(100, true), 0xFFFF));
    EXPECT_TRUE(IsBadStringPtrA(pages.TextAtEnd(100, false), 0xFFFF)) << "runs into the unreadable page";
    EXPECT_FALSE(IsBadStringPtrA(pages.TextAtEnd(100, false), 100)) << "the limit stops before the page";
    EXPECT_TRUE(IsBadStringPtrA(pages.Unreadable(), 0xFFFF));
    EXPECT_TRUE(IsBadStringPtrA(nullptr, 0xFFFF));
    EXPECT_FALSE(IsBadStringPtrA("", 0xFFFF));
}
