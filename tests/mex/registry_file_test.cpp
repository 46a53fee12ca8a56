// Registry content written as REGEDIT4 text (values made in name order, the
// order Wine lists them in), and natively the registry kept
// in the file that QUENBUS_REGISTRY_FILE names.
#include "registry_test_fixture.h"

#include "platform/reg_file.h"
#ifndef _WIN32
#include "platform/emulation.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using RegistryExport = RegistryTest;

TEST_F(RegistryExport, WritesEveryValueKindSoThatTheLoaderReadsItBack)
{
    const std::string sections =
        "\n[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n"
        "@=\"default\"\n"
        "\"Bytes\"=hex:01,02,03\n"
        "\"Lines\"=hex(1):61,0a,62,00\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n"
        "\"Number\"=dword:0000ff01\n"
        "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\"\n"
        "\"Unterminated\"=hex(1):41,42\n"
        "\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Empty]\n"
        "\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Node]\n"
        "\"Name\"=\"value\"\n"
        "\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Node\\Child]\n"
        "\"Short\"=hex(4):01,02\n";
    LoadReg("REGEDIT4\n" + sections);
    std::string exported;
    ASSERT_TRUE(RegExportKey(HKEY_CURRENT_USER, kScratchPath, exported));
    EXPECT_EQ(exported, sections);

    ASSERT_EQ(RegDeleteKeyTree(HKEY_CURRENT_USER, kScratchPath), ERROR_SUCCESS);
    LoadReg("REGEDIT4\n" + exported);
    std::string again;
    ASSERT_TRUE(RegExportKey(HKEY_CURRENT_USER, kScratchPath, again));
    EXPECT_EQ(again, sections);
    EXPECT_FALSE(RegExportKey(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Missing", again));
}

#ifndef _WIN32
// Natively the registry lives in a file for the length of a test.
class RegistryFile : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        std::remove(kPath);
        setenv(kPlatformRegistryFileVariable, kPath, 1);
        PlatformResetRegistry();
    }
    void TearDown() override
    {
        unsetenv(kPlatformRegistryFileVariable);
        PlatformResetRegistry();
        std::remove(kPath);
        RegistryTest::TearDown();
    }

    static std::string FileText()
    {
        std::ifstream file(kPath, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Replaces the file as another process would.
    static void WriteFile(const std::string& text)
    {
        std::string temporary = std::string(kPath) + ".other";
        std::ofstream(temporary, std::ios::binary) << text;
        ASSERT_EQ(std::rename(temporary.c_str(), kPath), 0);
    }

    static constexpr const char* kPath = "registry_file_test.reg";
};

TEST_F(RegistryFile, EveryChangeReachesTheFileAndAFreshStoreReadsIt)
{
    RegKey node = Scratch();
    ASSERT_EQ(RegSetValueExA(node.Get(), "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("GPIB0"), 6),
              ERROR_SUCCESS);
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\QuenbusTest]\n";
    EXPECT_EQ(FileText(), head + "\"Name\"=\"GPIB0\"\n");
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyA(node.Get(), "Child", &child), ERROR_SUCCESS);
    RegCloseKey(child);
    EXPECT_NE(FileText().find("[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Child]"), std::string::npos);
    ASSERT_EQ(RegDeleteValueA(node.Get(), "Name"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(node.Get(), "Child"), ERROR_SUCCESS);
    node.Close();
    EXPECT_EQ(FileText(), head);

    LoadReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\Enum\\Rumex]\n@=\"ISA\"\n");
    // An emptied store, as in a new process, reads the file again.
    PlatformResetRegistry();
    RegKey model = Open(HKEY_LOCAL_MACHINE, "Software\\Korvex\\IEEE\\Enum\\Rumex");
    ASSERT_TRUE(model.Get());
    EXPECT_EQ(ReadString(model.Get(), nullptr), "ISA");
    EXPECT_TRUE(Open(HKEY_CURRENT_USER, kScratchPath).Get());
}

TEST_F(RegistryFile, AFileChangedElsewhereIsReadOnceNoKeyIsOpen)
{
    RegKey node = Scratch();
    WriteFile("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\QuenbusTest\\Other]\n\"From\"=\"elsewhere\"\n");
    // A key is open: the store stays as it is.
    EXPECT_FALSE(Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Other").Get());
    node.Close();
    RegKey other = Open(HKEY_CURRENT_USER, "Software\\QuenbusTest\\Other");
    ASSERT_TRUE(other.Get());
    EXPECT_EQ(ReadString(other.Get(), "From"), "elsewhere");
}

TEST_F(RegistryFile, WithoutTheVariableNothingIsWritten)
{
    unsetenv(kPlatformRegistryFileVariable);
    RegKey node = Scratch();
    ASSERT_EQ(RegSetValueExA(node.Get(), "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_SUCCESS);
    std::ifstream file(kPath);
    EXPECT_FALSE(file.good());
}
#endif

} // namespace
