// The layer check itself: the real table, a planted upward include, and a
// table that would let a layer use one above it.
#include "include_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class LayerCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(ParseLayerTable(ReadFile(QUENBUS_LAYER_TABLE), table_, error)) << error;
        root_ = fs::temp_directory_path() / ("layer_check_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    LayerTable table_;
    fs::path root_;
};

} // namespace

TEST_F(LayerCheck, TheSourceTreeKeepsToTheTable)
{
    std::vector<std::string> violations = FindLayerViolations(QUENBUS_SOURCE_ROOT, table_);
    EXPECT_TRUE(violations.empty()) << violations.front();
}

TEST_F(LayerCheck, AnUpwardIncludeIsNamedWithFileAndLine)
{
    WriteFile(root_ / "config" / "clean.cpp", "#include \"config/config_nodes.h\"\n#include \"platform/win32.h\"\n");
    WriteFile(root_ / "config" / "planted.cpp",
              "// A registry helper that reaches up.\n#include \"config/reg_key.h\"\n#include \"applet/bus_page.h\"\n"
              "#include <windows.h>\n#include \"local.h\"\n");
    WriteFile(root_ / "discovery" / "deep" / "nested.h", "  #  include \"setup/setup_exports.h\"\n");
    std::vector<std::string> violations = FindLayerViolations(root_.string(), table_);
    ASSERT_EQ(violations.size(), 2u);
    EXPECT_EQ(violations[0].rfind("config/planted.cpp:3: includes \"applet/...\", but config may use only:", 0), 0u)
        << violations[0];
    EXPECT_EQ(violations[1].rfind("discovery/deep/nested.h:1: includes \"setup/...\"", 0), 0u) << violations[1];
}

TEST_F(LayerCheck, TheTableItselfOnlyPointsDown)
{
    LayerTable table;
    std::string error;
    EXPECT_FALSE(ParseLayerTable("config: platform\nplatform:\n", table, error)) << "platform is not above config";
    EXPECT_EQ(error, "config may use platform, which is not a layer above it");
    EXPECT_FALSE(ParseLayerTable("just words\n", table, error));
    EXPECT_TRUE(ParseLayerTable("# comment\n\nplatform:\nconfig: platform\n", table, error)) << error;
}
