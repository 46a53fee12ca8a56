// Tests that depend on the operating-system family. Natively the emulated
// version is switched to the family; under Wine the program runs with the
// version its copy was set up for (see tests/unit/CMakeLists.txt), and a
// test for another family is skipped.
#pragma once

#include "registry_test_fixture.h"

#include <string>

enum class Family { Win9x, LegacyNt, Nt5 };

class SystemTest : public RegistryTest {
protected:
    explicit SystemTest(Family family) : family_(family) {}
    void SetUp() override;
    void TearDown() override;
    Family TestFamily() const { return family_; }

private:
    Family family_;
};

class Win9xSystem : public SystemTest {
protected:
    Win9xSystem() : SystemTest(Family::Win9x) {}
};

class LegacyNtSystem : public SystemTest {
protected:
    LegacyNtSystem() : SystemTest(Family::LegacyNt) {}
};

class Nt5System : public SystemTest {
protected:
    Nt5System() : SystemTest(Family::Nt5) {}
};

// A driver service created for a test and removed with it, even on failure.
class ScopedService {
public:
    ScopedService(const char* name, const char* group, const char* binaryPath);
    ~ScopedService();
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

    bool Created() const { return created_; }

private:
    std::string name_;
    bool created_ = false;
};

// Stops and removes a service of that name, if there is one.
void RemoveService(const char* name);

// The stub kernel driver, as a path the Service Control Manager can load.
extern const char kStubDriverPath[];
