// Base of the tests that touch the registry: each test starts and ends without
// the configuration, the hardware store and the scratch keys, natively and
// under Wine alike.
#pragma once

#include "config/reg_key.h"
#include "platform/win32.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class RegistryTest : public ::testing::Test {
public:
    static const char kScratchPath[];

protected:
    void SetUp() override;
    void TearDown() override;

    // Applies REGEDIT4 text, or a file of tests/fixtures.
    static void LoadReg(const std::string& text);
    static void LoadFixture(const char* fileName);
    // Removes what the tests and fixtures write, as at the start of a test.
    static void ClearTestTrees();

    // HKCU "Software\QuenbusTest", created empty for the test.
    static RegKey Scratch();
    static RegKey Open(HKEY root, const char* path);
    static std::string ReadString(HKEY key, const char* name);
    static DWORD ReadDword(HKEY key, const char* name);
    static bool HasValue(HKEY key, const char* name);
    static int ValueCount(HKEY key);
};

// An existing key made to refuse writes of its values while the holder
// lives: under Windows by permissions that deny KEY_SET_VALUE, natively by
// the emulation. (Wine enforces KEY_SET_VALUE on keys, not DELETE.)
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const char* path);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

    bool Made() const { return made_; }
    // Gives the key its earlier permissions back.
    void Restore();

private:
    HKEY root_;
    std::string path_;
    bool made_ = false;
    // The key's own access list, to give back.
    std::vector<BYTE> saved_;
};
