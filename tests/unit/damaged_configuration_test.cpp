// Every entry point over damaged configurations: nothing crashes or hangs,
// what the damage did not touch stays as it was, what is unreadable is
// treated as absent, and a node the settings store reached holds a whole
// record.
#include "damaged_configuration.h"

#ifndef _WIN32
#include "platform/emulation.h"
#endif

namespace {

size_t OpenKeys()
{
#ifdef _WIN32
    return 0;
#else
    return PlatformOpenKeyCount();
#endif
}

class DamagedConfiguration : public DamagedTest {
protected:
    explicit DamagedConfiguration(Family family) : DamagedTest(family) {}

    void RunEveryEntryPoint()
    {
        Seed();
        if (HasFatalFailure())
            return;
        size_t openKeys = OpenKeys();

        RunReadingEntryPoints();
        Snapshot read = TakeSnapshot();
        for (const auto& [entry, value] : before_)
            EXPECT_TRUE(read.count(entry) && read.at(entry) == value)
                << "changed by reading: " << Describe(entry, before_) << " -> " << Describe(entry, read);

        std::vector<NodePath> stored = LoadAndStoreEveryNode();
        Snapshot after = TakeSnapshot();
        EXPECT_EQ(OpenKeys(), openKeys) << "key handles left open";
        for (const std::string& failure : ContainmentFailures(clean_, touched_, before_, after, stored))
            ADD_FAILURE() << failure;
    }
};

class Win9xDamaged : public DamagedConfiguration {
protected:
    Win9xDamaged() : DamagedConfiguration(Family::Win9x) {}
};

class LegacyNtDamaged : public DamagedConfiguration {
protected:
    LegacyNtDamaged() : DamagedConfiguration(Family::LegacyNt) {}
};

class Nt5Damaged : public DamagedConfiguration {
protected:
    Nt5Damaged() : DamagedConfiguration(Family::Nt5) {}
};

// The clean configuration is what every entry point leaves as it found it,
// so that any change a damaged one shows comes from the damage.
void ExpectCleanKept()
{
    Snapshot before = TakeSnapshot();
    RunReadingEntryPoints();
    std::vector<NodePath> stored = LoadAndStoreEveryNode();
    EXPECT_EQ(stored.size(), 9u) << "four interfaces and five devices";
    Snapshot after = TakeSnapshot();
    for (const auto& [entry, value] : before)
        EXPECT_TRUE(after.count(entry) && after.at(entry) == value) << Describe(entry, before) << " -> "
                                                                    << Describe(entry, after);
    EXPECT_EQ(after.size(), before.size());
}

} // namespace

TEST_P(Win9xDamaged, EveryEntryPointKeepsWhatWasValid)
{
    RunEveryEntryPoint();
}

TEST_P(LegacyNtDamaged, EveryEntryPointKeepsWhatWasValid)
{
    RunEveryEntryPoint();
}

TEST_P(Nt5Damaged, EveryEntryPointKeepsWhatWasValid)
{
    RunEveryEntryPoint();
}

INSTANTIATE_TEST_SUITE_P(Win9x, Win9xDamaged, ::testing::ValuesIn(FixturesOf(Family::Win9x)), FixtureName);
INSTANTIATE_TEST_SUITE_P(LegacyNt, LegacyNtDamaged, ::testing::ValuesIn(FixturesOf(Family::LegacyNt)), FixtureName);
INSTANTIATE_TEST_SUITE_P(Nt5, Nt5Damaged, ::testing::ValuesIn(FixturesOf(Family::Nt5)), FixtureName);

TEST_F(Win9xSystem, CleanConfigurationIsKeptByEveryEntryPoint)
{
    LoadReg(CleanText(Family::Win9x));
    ExpectCleanKept();
}

TEST_F(LegacyNtSystem, CleanConfigurationIsKeptByEveryEntryPoint)
{
    LoadReg(CleanText(Family::LegacyNt));
    ExpectCleanKept();
}

TEST_F(Nt5System, CleanConfigurationIsKeptByEveryEntryPoint)
{
    LoadReg(CleanText(Family::Nt5));
    ExpectCleanKept();
}
