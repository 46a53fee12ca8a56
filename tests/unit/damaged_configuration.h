// Damaged configurations and what every entry point must do with them: the
// fixtures (REGEDIT4 texts, each damaging a clean configuration one way),
// snapshots of the registry they touch, and the runs of the entry points.
// Shared by the unit suite (natively and under Wine) and the UI suite.
#pragma once

#include "system_fixture.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct DamagedFixture {
    const char* name;
    // The families it runs on.
    std::vector<Family> families;
    // Applied on top of the clean configuration (fixtures/damaged/clean.reg).
    bool onClean;
    // The damage: a file of fixtures/damaged (name.reg), or made by code.
    std::string (*make)();
    // Driver services of the board group the fixture's "Enum" values belong to.
    bool withBoardDrivers;
};

const std::vector<DamagedFixture>& DamagedFixtures();
// The REGEDIT4 text of a fixture's damage, and of the clean configuration
// of a family.
std::string DamageText(const DamagedFixture& fixture);
std::string CleanText(Family family);

struct StoredValue {
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const StoredValue& other) const { return type == other.type && data == other.data; }
};

// Every key (as "path\n") and value (as "path\nname") under the trees the
// fixtures write, with the values' types and bytes.
using Snapshot = std::map<std::string, StoredValue>;
Snapshot TakeSnapshot();
// Readable lines for a failure message.
std::string Describe(const std::string& entry, const Snapshot& snapshot);

// The names of the configuration's nodes (four hexadecimal digits), as
// node key paths: interfaces, and devices after their interface.
struct NodePath {
    std::string path;
    bool isInterface;
};
std::vector<NodePath> ConfigurationNodes();

// The entry points that read, or write only what is absent or the driver's
// own keys: RegInitUserConfig, RegInitDrvrConfigNT, EnumInterface over all
// indices, FindBoards with DescribeBoard, and the settings load of every node.
void RunReadingEntryPoints();
// The settings load and store of every node; the nodes whose store ran.
std::vector<NodePath> LoadAndStoreEveryNode();

// What a run did wrong, one line each: a value of the clean configuration
// that the damage did not touch (nor derive from a touched one) changed, a
// value outside the stored nodes changed, or a stored node lacks part of
// its record.
std::vector<std::string> ContainmentFailures(const Snapshot& clean, const Snapshot& touched, const Snapshot& before,
                                             const Snapshot& after, const std::vector<NodePath>& stored);

// The fixtures that concern a family, and a fixture's name for a test name.
std::vector<const DamagedFixture*> FixturesOf(Family family);
std::string FixtureName(const ::testing::TestParamInfo<const DamagedFixture*>& info);

// A test over one damaged fixture on its family. Seed learns what the damage
// writes and what the clean configuration holds, then leaves the registry
// damaged, with the fixture's driver services, and takes `before_`.
class DamagedTest : public SystemTest, public ::testing::WithParamInterface<const DamagedFixture*> {
protected:
    explicit DamagedTest(Family family) : SystemTest(family) {}
    void Seed();

    Snapshot touched_;
    Snapshot clean_;
    Snapshot before_;

private:
    std::unique_ptr<ScopedService> firstDriver_;
    std::unique_ptr<ScopedService> secondDriver_;
};

// What a store leaves in a node: each value it writes, with its type. An
// empty result: the node holds its whole record.
std::vector<std::string> MissingFromRecord(const NodePath& node);
