// Every entry point over damaged configurations: nothing crashes or hangs,
// what the damage did not touch stays as it was, what is unreadable is
// treated as absent, and a node the settings store reached holds a whole
// record.
#include "damaged_configuration.h"

#ifndef _WIN32
#include "platform/emulation.h"
#endif

#include <memory>

namespace {

const char kConfigurationPrefix[] = "HKCU\\Software\\Korvex\\IEEE\\";

std::vector<const DamagedFixture*> FixturesOf(Family family)
{
    std::vector<const DamagedFixture*> chosen;
    for (const DamagedFixture& fixture : DamagedFixtures()) {
        for (Family each : fixture.families) {
            if (each == family)
                chosen.push_back(&fixture);
        }
    }
    return chosen;
}

std::string FixtureName(const ::testing::TestParamInfo<const DamagedFixture*>& info)
{
    return info.param->name;
}

// A value the damage wrote, or one the store derives from such a value:
// the terminator characters follow their terminator's name.
bool Touched(const std::string& entry, const Snapshot& touched)
{
    if (touched.count(entry))
        return true;
    size_t name = entry.find('\n') + 1;
    for (const char* direction : {"TermIn", "TermOut"}) {
        std::string prefix = direction;
        if (entry.compare(name, std::string::npos, prefix + "0") == 0 ||
            entry.compare(name, std::string::npos, prefix + "1") == 0)
            return touched.count(entry.substr(0, name) + prefix) != 0;
    }
    return false;
}

bool IsValueOf(const std::string& entry, const std::vector<NodePath>& nodes)
{
    for (const NodePath& node : nodes) {
        std::string prefix = kConfigurationPrefix + node.path + "\n";
        if (entry.compare(0, prefix.size(), prefix) == 0 && entry.size() > prefix.size())
            return true;
    }
    return false;
}

size_t OpenKeys()
{
#ifdef _WIN32
    return 0;
#else
    return PlatformOpenKeyCount();
#endif
}

class DamagedConfiguration : public SystemTest, public ::testing::WithParamInterface<const DamagedFixture*> {
protected:
    explicit DamagedConfiguration(Family family) : SystemTest(family) {}

    void RunEveryEntryPoint()
    {
        const DamagedFixture& fixture = *GetParam();
        std::string damage = DamageText(fixture);
        ASSERT_FALSE(damage.empty()) << fixture.name;

        // What the damage writes, alone, and the clean configuration alone.
        LoadReg(damage);
        Snapshot touched = TakeSnapshot();
        ClearTestTrees();
        Snapshot clean;
        if (fixture.onClean) {
            LoadReg(CleanText());
            clean = TakeSnapshot();
            ClearTestTrees();
        }

        std::unique_ptr<ScopedService> first, second;
        if (fixture.withBoardDrivers) {
            first.reset(new ScopedService("QbVexA", "Vexmoor", kStubDriverPath));
            second.reset(new ScopedService("QbVexB", "Vexmoor", kStubDriverPath));
            ASSERT_TRUE(first->Created() && second->Created());
        }
        if (fixture.onClean)
            LoadReg(CleanText());
        LoadReg(damage);
        Snapshot before = TakeSnapshot();
        size_t openKeys = OpenKeys();

        RunReadingEntryPoints();
        Snapshot read = TakeSnapshot();
        for (const auto& [entry, value] : before)
            EXPECT_TRUE(read.count(entry) && read.at(entry) == value)
                << "changed by reading: " << Describe(entry, before) << " -> " << Describe(entry, read);

        std::vector<NodePath> stored = LoadAndStoreEveryNode();
        Snapshot after = TakeSnapshot();
        EXPECT_EQ(OpenKeys(), openKeys) << "key handles left open";
        for (const auto& [entry, value] : clean) {
            if (!Touched(entry, touched)) {
                EXPECT_TRUE(after.count(entry) && after.at(entry) == value)
                    << "undamaged, yet changed: " << Describe(entry, clean) << " -> " << Describe(entry, after);
            }
        }
        for (const auto& [entry, value] : before) {
            if (!IsValueOf(entry, stored)) {
                EXPECT_TRUE(after.count(entry) && after.at(entry) == value)
                    << "outside the stored nodes, yet changed: " << Describe(entry, before) << " -> "
                    << Describe(entry, after);
            }
        }
        for (const NodePath& node : stored) {
            for (const std::string& problem : MissingFromRecord(node))
                ADD_FAILURE() << "half a record: " << problem;
        }
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
    LoadReg(CleanText());
    ExpectCleanKept();
}

TEST_F(LegacyNtSystem, CleanConfigurationIsKeptByEveryEntryPoint)
{
    LoadReg(CleanText());
    ExpectCleanKept();
}

TEST_F(Nt5System, CleanConfigurationIsKeptByEveryEntryPoint)
{
    LoadReg(CleanText());
    ExpectCleanKept();
}
