// quenbus export and import: a round trip through --replace, and every bad
// file refused with its line and nothing written.
#include "cli/config_file.h"
#include "cli/import_command.h"
#include "registry_test_fixture.h"
#include "text/text_compare.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using namespace std::string_literals;

const char kConfiguration[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
    "\"UserName\"=\"IEEE0\"\n"
    "\"HardwareKey\"=\"ROOT\\\\KVX488\\\\0000\"\n"
    "\"PrimaryAddress\"=dword:00000015\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n"
    "\"UserName\"=\"Meter\"\n"
    "\"PrimaryAddress\"=dword:00000016\n"
    "\"TermIn\"=\"USER 1\"\n";

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Exported()
{
    std::string text;
    EXPECT_TRUE(ExportConfiguration(text));
    return text;
}

class ImportTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        LoadReg(kConfiguration);
        for (const char* file : {"cli_first.reg", "cli_second.reg", "cli_first.before-import.reg", "cli_bad.reg"})
            std::remove(file);
    }
};

TEST_F(ImportTest, ExportChangeImportWithReplaceAndExportAgainGiveTheFirstFile)
{
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(ExportCommand("cli_first.reg", out, err), 0) << err.str();
    std::string first = FileText("cli_first.reg");
    EXPECT_EQ(first.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE]\n", 0), 0u) << first;

    LoadReg("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"PrimaryAddress\"=dword:00000003\n"
            "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0002]\n\"UserName\"=\"Extra\"\n");
    std::string changed = Exported();
    ASSERT_NE(changed, first);

    out.str("");
    ImportOptions dryRun;
    dryRun.dryRun = true;
    ASSERT_EQ(ImportCommand("cli_first.reg", dryRun, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "  0000\\0001: change PrimaryAddress from 3 to 22\n");
    EXPECT_EQ(Exported(), changed);

    // Merged, the extra device stays; replaced, it goes and is in the backup.
    out.str("");
    ASSERT_EQ(ImportCommand("cli_first.reg", ImportOptions(), out, err), 0) << err.str();
    EXPECT_NE(Exported().find("Extra"), std::string::npos);

    out.str("");
    ImportOptions replace;
    replace.replace = true;
    ASSERT_EQ(ImportCommand("cli_first.reg", replace, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("saved the current configuration to cli_first.before-import.reg"), std::string::npos)
        << out.str();
    EXPECT_NE(FileText("cli_first.before-import.reg").find("\"UserName\"=\"Extra\""), std::string::npos);

    ASSERT_EQ(ExportCommand("cli_second.reg", out, err), 0);
    EXPECT_EQ(FileText("cli_second.reg"), first);
}

TEST_F(ImportTest, ReplaceKeepsTheConfigurationRootsOwnName)
{
    WriteText("cli_first.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\software\\korvex\\ieee\\0000]\n\"UserName\"=\"IEEE0\"\n");
    std::ostringstream out;
    std::ostringstream err;
    ImportOptions replace;
    replace.replace = true;
    ASSERT_EQ(ImportCommand("cli_first.reg", replace, out, err), 0) << err.str();

    HKEY korvex = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Korvex", &korvex), ERROR_SUCCESS);
    std::string root;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(korvex, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        if (EqualNoCase(name, "IEEE"))
            root = name;
    }
    RegCloseKey(korvex);
    EXPECT_EQ(root, "IEEE");
    EXPECT_NE(Exported().find("[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"IEEE0\""),
              std::string::npos);
}

struct BadImport {
    std::string text;
    const char* error;
};

TEST_F(ImportTest, EveryBadFileIsRefusedWithItsLineAndNothingIsWritten)
{
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0003]\n\"UserName\"=\"New\"\n";
    const BadImport cases[] = {
        {"[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n", "not a REGEDIT4 file"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\n", "line 3: unterminated key name"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"Timeout\"=dword:1x\n",
         "line 4: bad value data"},
        {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Korvex\\IEEE\\0000]\n", "line 3: the key lies outside"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEEX\\0000]\n", "line 3: the key lies outside"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\00001]\n",
         "line 3: \"00001\" is not a node name of four hexadecimal digits"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\000G]\n",
         "line 3: \"000G\" is not a node name of four hexadecimal digits"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001\\0002]\n",
         "line 3: the key is deeper than a device node"},
        {"REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n", "line 3: an import deletes no keys"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE]\n\"UserName\"=\"x\"\n",
         "line 4: the configuration root holds no values"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"PrimaryAddress\"=\"22\"\n",
         "line 4: PrimaryAddress must be a dword"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"PrimaryAddress\"=dword:0000001f\n",
         "line 4: PrimaryAddress must be 0 to 30, not 31"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"termineoi\"=dword:00000002\n",
         "line 4: TermInEOI must be 0 or 1, not 2"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"UserName\"=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\"\n",
         "line 4: UserName is longer than 31 characters"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"TermOut\"=\"CRLF\"\n",
         "line 4: TermOut \"CRLF\" is not a terminator name"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0001]\n\"HardwareKey\"=\"ROOT\"\n",
         "line 4: HardwareKey belongs to interfaces, not devices"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"Timeout\"=hex:10,27\n",
         "line 4: Timeout must be a dword"},
        // The registry would write "Timeout", as binary data.
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"Timeout\0\0\"=hex:10,27\n"s,
         "line 4: the value name \"Timeout\" goes on past a NUL character"},
        // Windows refuses to write it, and the export could not read it back.
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n\"" + std::string(16384, 'N') +
             "\"=dword:00000001\n",
         "line 4: the value name is longer than 16383 characters"},
    };
    const std::string before = Exported();
    for (const BadImport& bad : cases) {
        SCOPED_TRACE(bad.text);
        // A good first node, so that nothing written would show.
        std::string text = bad.text;
        if (text.rfind("REGEDIT4\n\n", 0) == 0)
            text = head + text.substr(10);
        std::string expected = bad.error;
        if (expected.rfind("line ", 0) == 0)
            expected = "line " + std::to_string(std::stoi(expected.substr(5)) + 2) + expected.substr(expected.find(':'));
        WriteText("cli_bad.reg", text);
        for (bool replace : {false, true}) {
            std::ostringstream out;
            std::ostringstream err;
            ImportOptions options;
            options.replace = replace;
            EXPECT_EQ(ImportCommand("cli_bad.reg", options, out, err), 1);
            EXPECT_NE(err.str().find("cli_bad.reg: " + expected), std::string::npos) << err.str();
            EXPECT_NE(err.str().find("nothing was imported"), std::string::npos) << err.str();
            EXPECT_EQ(Exported(), before);
        }
    }
    std::remove("cli_bad.reg");
}

} // namespace
