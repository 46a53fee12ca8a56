#include "registry_test_fixture.h"

#include "platform/reg_file.h"
#ifdef _WIN32
#include <sddl.h>
#else
#include "platform/emulation.h"
#endif

const char RegistryTest::kScratchPath[] = "Software\\QuenbusTest";

namespace {

#ifdef _WIN32
// What the tests and their fixtures write, beside the system's own keys.
const struct {
    HKEY root;
    const char* path;
} kTestTrees[] = {
    {HKEY_CURRENT_USER, "Software\\Korvex"},
    {HKEY_LOCAL_MACHINE, "Software\\Korvex"},
    {HKEY_CURRENT_USER, RegistryTest::kScratchPath},
    {HKEY_DYN_DATA, "QuenbusTest"},
    {HKEY_DYN_DATA, "Config Manager"},
    {HKEY_LOCAL_MACHINE, "Enum"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Enum\\PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Enum\\PCMCIA\\KORVEX_INC.-VEXMOOR/CARD-4172"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Enum\\ROOT\\KVX488"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\QbVexA\\Enum"},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\QbVexB\\Enum"},
};
#endif

void RemoveTestTrees()
{
#ifdef _WIN32
    for (const auto& tree : kTestTrees)
        RegDeleteKeyTree(tree.root, tree.path);
#else
    PlatformResetServices();
    PlatformResetRegistry();
#endif
}

} // namespace

void RegistryTest::SetUp()
{
    RemoveTestTrees();
}

void RegistryTest::TearDown()
{
#ifndef _WIN32
    // Every key the code under test opened must have been closed again.
    EXPECT_EQ(PlatformOpenKeyCount(), 0u) << "registry keys left open";
    EXPECT_EQ(PlatformOpenServiceHandleCount(), 0u) << "service handles left open";
#endif
    RemoveTestTrees();
}

void RegistryTest::ClearTestTrees()
{
    RemoveTestTrees();
}

void RegistryTest::LoadReg(const std::string& text)
{
    std::string error;
    ASSERT_TRUE(RegLoadText(text, &error)) << error;
}

void RegistryTest::LoadFixture(const char* fileName)
{
    std::string path = std::string(QUENBUS_FIXTURE_DIR) + "/" + fileName;
    std::string error;
    ASSERT_TRUE(RegLoadFile(path.c_str(), &error)) << error;
}

RegKey RegistryTest::Scratch()
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kScratchPath, &key), ERROR_SUCCESS);
    return RegKey(key, nullptr);
}

RegKey RegistryTest::Open(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key, root);
}

std::string RegistryTest::ReadString(HKEY key, const char* name)
{
    char buffer[512] = "";
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return "<missing>";
    if (type != REG_SZ)
        return "<type " + std::to_string(type) + ">";
    return buffer;
}

DWORD RegistryTest::ReadDword(HKEY key, const char* name)
{
    DWORD number = 0xDEADBEEF;
    DWORD size = sizeof number;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0xDEADBEEF;
    return number;
}

bool RegistryTest::HasValue(HKEY key, const char* name)
{
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int RegistryTest::ValueCount(HKEY key)
{
    int count = 0;
    char name[256];
    DWORD length = sizeof name;
    while (RegEnumValueA(key, static_cast<DWORD>(count), name, &length, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        ++count;
        length = sizeof name;
    }
    return count;
}

#ifdef _WIN32
ReadOnlyKey::ReadOnlyKey(HKEY root, const char* path) : root_(root), path_(path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    PSECURITY_DESCRIPTOR denying = nullptr;
    // Everyone is denied KEY_SET_VALUE and allowed the rest.
    if (size && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data(), &size) == ERROR_SUCCESS &&
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                             &denying, nullptr)) {
        made_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS;
        LocalFree(denying);
    }
    RegCloseKey(key);
}

void ReadOnlyKey::Restore()
{
    HKEY key = nullptr;
    if (!made_ || RegOpenKeyExA(root_, path_.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data()) == ERROR_SUCCESS)
        made_ = false;
    RegCloseKey(key);
}
#else
ReadOnlyKey::ReadOnlyKey(HKEY root, const char* path) : root_(root), path_(path)
{
    made_ = PlatformSetKeyReadOnly(root, path, true);
}

void ReadOnlyKey::Restore()
{
    if (made_ && PlatformSetKeyReadOnly(root_, path_.c_str(), false))
        made_ = false;
}
#endif

ReadOnlyKey::~ReadOnlyKey()
{
    Restore();
}
