#include "damaged_configuration.h"

#include "config/config_nodes.h"
#include "config/hardware_store.h"
#include "config/node_index.h"
#include "discovery/board_discovery.h"
#include "platform/reg_file.h"
#include "properties/item_settings.h"
#include "setup/setup_exports.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const char kConfigurationPrefix[] = "HKCU\\Software\\Korvex\\IEEE\\";
const std::vector<Family> kAllFamilies = {Family::Win9x, Family::LegacyNt, Family::Nt5};

std::string Repeated(char c, size_t count)
{
    return std::string(count, c);
}

std::string MakeOversizeTexts()
{
    std::string longKey = "PCI\\\\VEN_10E8&DEV_8081\\\\" + Repeated('7', 280);
    return "REGEDIT4\n\n"
           "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"
           "\"UserName\"=\"" + Repeated('N', 5000) + "\"\n"
           "\"HardwareKey\"=\"" + longKey + "\"\n"
           "\"TermIn\"=\"" + Repeated('T', 300) + "\"\n\n"
           "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000\\0000]\n"
           "\"UserName\"=\"" + Repeated('D', 5000) + "\"\n"
           "\"TermOut\"=\"CR_LF" + Repeated(' ', 200) + "\"\n";
}

std::string MakeManyDevices()
{
    std::string text = "REGEDIT4\n\n";
    for (unsigned number = 1; number <= 1200; ++number) {
        char section[96];
        std::snprintf(section, sizeof section, "[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0001\\%04X]\n", number);
        text += section;
        text += "\"UserName\"=\"Device " + std::to_string(number) + "\"\n";
        text += "\"PrimaryAddress\"=dword:0000000" + std::to_string(number % 10) + "\n\n";
    }
    return text;
}

std::string MakeDriverEnumGarbage()
{
    const std::string services = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\";
    const std::string enumRoot = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\";
    return "REGEDIT4\n\n"
           "; A count far beyond the values there are, a value of 70,000 bytes, one\n"
           "; of another type, and a count that is text.\n" +
           services + "QbVexA\\Enum]\n"
           "\"Count\"=dword:ffffffff\n"
           "\"0\"=\"PCI\\\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\\\" + Repeated('X', 70000) + "\"\n"
           "\"1\"=dword:00000005\n"
           "\"2\"=hex(1):52,4f,4f,54,5c,4b,56,58,34,38,38,5c,30,30,30,30\n\n" +
           services + "QbVexB\\Enum]\n"
           "\"Count\"=\"3\"\n"
           "\"0\"=\"ROOT\\\\KVX488\\\\0000\"\n\n" +
           enumRoot + "ROOT\\KVX488\\0000]\n"
           "\"DeviceDesc\"=\"" + Repeated('d', 300) + "\"\n\n" +
           enumRoot + "PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01\\4&1A2B3C&0&5808]\n"
           "\"DeviceDesc\"=dword:00000001\n"
           "\"LocationInformation\"=\"" + Repeated('L', 300) + "\"\n";
}

// Where the fixtures write: the configuration, the hardware store, and the
// device records of every family.
const struct {
    HKEY root;
    const char* rootName;
    const char* path;
} kWatchedTrees[] = {
    {HKEY_CURRENT_USER, "HKCU", "Software\\Korvex"},
    {HKEY_LOCAL_MACHINE, "HKLM", "Software\\Korvex"},
    {HKEY_DYN_DATA, "HKDD", "Config Manager"},
    {HKEY_LOCAL_MACHINE, "HKLM", "Enum"},
    {HKEY_LOCAL_MACHINE, "HKLM", "System\\CurrentControlSet\\Enum\\PCI\\VEN_10E8&DEV_8081&SUBSYS_00000000&REV_01"},
    {HKEY_LOCAL_MACHINE, "HKLM", "System\\CurrentControlSet\\Enum\\ROOT\\KVX488"},
    {HKEY_LOCAL_MACHINE, "HKLM", "System\\CurrentControlSet\\Services\\QbVexA\\Enum"},
    {HKEY_LOCAL_MACHINE, "HKLM", "System\\CurrentControlSet\\Services\\QbVexB\\Enum"},
};

void SnapshotKey(HKEY key, const std::string& path, Snapshot& snapshot)
{
    snapshot[path + "\n"] = StoredValue{0, {}};
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        StoredValue value{type, std::vector<BYTE>(size)};
        DWORD read = size;
        if (size && RegQueryValueExA(key, name, nullptr, &type, value.data.data(), &read) == ERROR_SUCCESS)
            value.data.resize(read);
        snapshot[path + "\n" + name] = value;
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyA(key, name, &child) != ERROR_SUCCESS)
            continue;
        RegKey holder(child, key);
        SnapshotKey(child, path + "\\" + name, snapshot);
    }
}

std::vector<std::string> NodeNamesUnder(const char* nodePath)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (!ConfigOpenNode(nodePath, &key))
        return names;
    RegKey holder(key, HKEY_CURRENT_USER);
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        LONG rc = RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS && IsNodeName(name))
            names.push_back(name);
    }
    return names;
}

int SubkeyCount(const char* nodePath)
{
    HKEY key = nullptr;
    if (!ConfigOpenNode(nodePath, &key))
        return 0;
    RegKey holder(key, HKEY_CURRENT_USER);
    int count = 0;
    char name[256];
    DWORD nameLength = sizeof name;
    while (RegEnumKeyExA(key, static_cast<DWORD>(count), name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
           ERROR_NO_MORE_ITEMS) {
        ++count;
        nameLength = sizeof name;
    }
    return count;
}

// A value the damage wrote, or one a store derives from such a value: the
// terminator characters follow their terminator's name, and block mode the
// hardware key (the Properties dialog stores 0 where the board cannot do it).
bool Touched(const std::string& entry, const Snapshot& touched)
{
    if (touched.count(entry))
        return true;
    size_t name = entry.find('\n') + 1;
    if (entry.compare(name, std::string::npos, "BlockModeEnabled") == 0)
        return touched.count(entry.substr(0, name) + "HardwareKey") != 0;
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

std::string ReadFixtureFile(const std::string& name)
{
    std::ifstream in(std::string(QUENBUS_FIXTURE_DIR) + "/damaged/" + name + ".reg");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

const std::vector<DamagedFixture>& DamagedFixtures()
{
    static const std::vector<DamagedFixture> fixtures = {
        {"wrong_types", kAllFamilies, true, nullptr, false},
        {"short_values", kAllFamilies, true, nullptr, false},
        {"unterminated_texts", kAllFamilies, true, nullptr, false},
        {"oversize_texts", kAllFamilies, true, MakeOversizeTexts, false},
        {"odd_node_names", kAllFamilies, true, nullptr, false},
        {"many_devices", {Family::Nt5}, true, MakeManyDevices, false},
        {"device_with_subkeys", kAllFamilies, true, nullptr, false},
        {"root_is_value", kAllFamilies, false, nullptr, false},
        {"empty_root", kAllFamilies, false, nullptr, false},
        {"win9x_devnode_garbage", {Family::Win9x}, true, nullptr, false},
        {"legacy_store_garbage", {Family::LegacyNt}, true, nullptr, false},
        {"driver_enum_garbage", {Family::Nt5}, true, MakeDriverEnumGarbage, true},
    };
    return fixtures;
}

std::string DamageText(const DamagedFixture& fixture)
{
    return fixture.make ? fixture.make() : ReadFixtureFile(fixture.name);
}

std::string CleanText(Family family)
{
    std::string text = ReadFixtureFile("clean");
    // One text: the second file without its header line.
    if (family == Family::LegacyNt) {
        std::string legacy = ReadFixtureFile("clean_legacy_nt");
        text += legacy.substr(legacy.find('\n') + 1);
    }
    return text;
}

Snapshot TakeSnapshot()
{
    Snapshot snapshot;
    for (const auto& tree : kWatchedTrees) {
        HKEY key = nullptr;
        if (RegOpenKeyA(tree.root, tree.path, &key) != ERROR_SUCCESS)
            continue;
        RegKey holder(key, tree.root);
        SnapshotKey(key, std::string(tree.rootName) + "\\" + tree.path, snapshot);
    }
    return snapshot;
}

std::string Describe(const std::string& entry, const Snapshot& snapshot)
{
    std::string name = entry;
    name.replace(name.find('\n'), 1, " : ");
    auto found = snapshot.find(entry);
    if (found == snapshot.end())
        return name + " (absent)";
    std::string text = name + " type " + std::to_string(found->second.type) + ", " +
                       std::to_string(found->second.data.size()) + " bytes:";
    for (size_t i = 0; i < found->second.data.size() && i < 16; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", found->second.data[i]);
        text += hex;
    }
    return text;
}

std::vector<NodePath> ConfigurationNodes()
{
    std::vector<NodePath> nodes;
    for (const std::string& interfaceName : NodeNamesUnder(nullptr)) {
        nodes.push_back({interfaceName, true});
        for (const std::string& deviceName : NodeNamesUnder(interfaceName.c_str()))
            nodes.push_back({interfaceName + "\\" + deviceName, false});
    }
    return nodes;
}

void RunReadingEntryPoints()
{
    RegInitUserConfig();
    RegInitDrvrConfigNT();

    int interfaces = SubkeyCount(nullptr);
    for (int index = -1; index <= interfaces + 1; ++index) {
        char name[32];
        EnumInterface(index, name, sizeof name);
        char tiny[1];
        EnumInterface(index, tiny, sizeof tiny);
    }

    HardwareKeyList boards;
    boards.count = FindBoards(boards.slots, kHardwareKeySlots);
    int slotCounter = 0;
    for (const char* board : boards.slots) {
        if (!board)
            continue;
        char text[128];
        DescribeBoard(board, text, sizeof text, &slotCounter);
        DescribeBoard(board, text, sizeof text, nullptr);
        char tiny[4];
        DescribeBoard(board, tiny, sizeof tiny, nullptr);
    }
    HardwareKeyList installed = ListInstalledBoards();

    for (const NodePath& node : ConfigurationNodes()) {
        ItemSettings settings;
        LoadSettings(node.isInterface ? NodeKind::Interface : NodeKind::Device, node.path, settings);
    }
}

std::vector<NodePath> LoadAndStoreEveryNode()
{
    std::vector<NodePath> stored;
    for (const NodePath& node : ConfigurationNodes()) {
        NodeKind kind = node.isInterface ? NodeKind::Interface : NodeKind::Device;
        ItemSettings settings;
        if (LoadSettings(kind, node.path, settings) && StoreSettings(kind, node.path, settings))
            stored.push_back(node);
    }
    return stored;
}

std::vector<std::string> MissingFromRecord(const NodePath& node)
{
    static const char* const kInterfaceTexts[] = {"HardwareKey", "TermIn", "TermOut"};
    static const char* const kDeviceTexts[] = {"TermIn", "TermOut"};
    static const char* const kInterfaceNumbers[] = {"PrimaryAddress", "Timeout", "SystemController", "BlockModeEnabled",
                                                    "TermIn0", "TermIn1", "TermOut0", "TermOut1", "TermInEOI",
                                                    "TermOutEOI"};
    static const char* const kDeviceNumbers[] = {"PrimaryAddress", "SecondaryAddress", "Timeout", "TermIn0",
                                                 "TermIn1", "TermOut0", "TermOut1", "TermInEOI", "TermOutEOI"};
    std::vector<std::string> missing;
    HKEY key = nullptr;
    if (!ConfigOpenNode(node.path.c_str(), &key))
        return {node.path + ": gone"};
    RegKey holder(key, HKEY_CURRENT_USER);
    auto check = [&](const char* name, DWORD wantedType) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            missing.push_back(node.path + " " + name + ": absent");
        else if (type != wantedType || (wantedType == REG_DWORD && size != 4))
            missing.push_back(node.path + " " + name + ": type " + std::to_string(type) + ", " +
                              std::to_string(size) + " bytes");
    };
    if (node.isInterface) {
        for (const char* name : kInterfaceTexts)
            check(name, REG_SZ);
        for (const char* name : kInterfaceNumbers)
            check(name, REG_DWORD);
    } else {
        for (const char* name : kDeviceTexts)
            check(name, REG_SZ);
        for (const char* name : kDeviceNumbers)
            check(name, REG_DWORD);
    }
    return missing;
}

std::vector<std::string> ContainmentFailures(const Snapshot& clean, const Snapshot& touched, const Snapshot& before,
                                             const Snapshot& after, const std::vector<NodePath>& stored)
{
    std::vector<std::string> failures;
    auto unchanged = [&](const std::string& entry, const StoredValue& value) {
        auto found = after.find(entry);
        return found != after.end() && found->second == value;
    };
    for (const auto& [entry, value] : clean) {
        if (!Touched(entry, touched) && !unchanged(entry, value))
            failures.push_back("undamaged, yet changed: " + Describe(entry, clean) + " -> " + Describe(entry, after));
    }
    for (const auto& [entry, value] : before) {
        if (!IsValueOf(entry, stored) && !unchanged(entry, value))
            failures.push_back("outside the stored nodes, yet changed: " + Describe(entry, before) + " -> " +
                               Describe(entry, after));
    }
    for (const NodePath& node : stored) {
        for (const std::string& problem : MissingFromRecord(node))
            failures.push_back("half a record: " + problem);
    }
    return failures;
}

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

void DamagedTest::Seed()
{
    const DamagedFixture& fixture = *GetParam();
    std::string damage = DamageText(fixture);
    ASSERT_FALSE(damage.empty()) << fixture.name;
    // What the damage writes, alone, and the clean configuration alone.
    LoadReg(damage);
    touched_ = TakeSnapshot();
    ClearTestTrees();
    if (fixture.onClean) {
        LoadReg(CleanText(TestFamily()));
        clean_ = TakeSnapshot();
        ClearTestTrees();
    }
    if (fixture.withBoardDrivers) {
        firstDriver_.reset(new ScopedService("QbVexA", "Vexmoor", kStubDriverPath));
        secondDriver_.reset(new ScopedService("QbVexB", "Vexmoor", kStubDriverPath));
        ASSERT_TRUE(firstDriver_->Created() && secondDriver_->Created());
    }
    if (fixture.onClean)
        LoadReg(CleanText(TestFamily()));
    LoadReg(damage);
    before_ = TakeSnapshot();
}
