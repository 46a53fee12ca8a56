// quenbus setup install, uninstall and status as each Windows family runs them.
#include "cli/setup_command.h"
#include "system_fixture.h"

#include "config/config_layout.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct SetupRun {
    int status;
    std::string out;
    std::string err;
};

SetupRun RunSetup(SetupAction action, SetupOptions options)
{
#ifdef QUENBUS_CPL_PATH
    options.dll = QUENBUS_CPL_PATH;
#endif
    std::ostringstream out;
    std::ostringstream err;
    int status = SetupCommand(action, options, out, err);
    return {status, out.str(), err.str()};
}

SetupOptions StubService()
{
    SetupOptions options;
    options.driver = kStubDriverPath;
    options.service = "QbStub";
    return options;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

const std::string kRoot = kConfigRootPath;

TEST(SetupModel, NeedsANameAndADescription)
{
    std::pair<std::string, std::string> model;
    EXPECT_TRUE(ParseModel("Sotal=Sotal ISA board", model));
    EXPECT_EQ(model.first, "Sotal");
    EXPECT_EQ(model.second, "Sotal ISA board");
    EXPECT_TRUE(ParseModel("A=b=c", model));
    EXPECT_EQ(model.second, "b=c");
    for (const char* bad : {"Sotal", "=board", "Sotal=", ""})
        EXPECT_FALSE(ParseModel(bad, model)) << bad;
}

TEST_F(Nt5System, SetupInstallsStartsReportsAndRemovesTheDriverService)
{
    SetupRun run = RunSetup(SetupAction::Install, StubService());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "System: Windows NT 5 or later\nBus configuration initialised.\n"
                       "Driver service QbStub installed.\nDriver service QbStub started.\n");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kRoot + "\\0003\\0000"));
    EXPECT_EQ(RunSetup(SetupAction::Status, StubService()).out, "Driver service QbStub: running\n");

    run = RunSetup(SetupAction::Install, StubService());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("QbStub is already installed; kept as it is.\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("QbStub is already running.\n"), std::string::npos) << run.out;

    run = RunSetup(SetupAction::Uninstall, StubService());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Driver service QbStub stopped.\nDriver service QbStub removed.\n");
    EXPECT_EQ(RunSetup(SetupAction::Status, StubService()).out, "Driver service QbStub: not installed\n");
    run = RunSetup(SetupAction::Uninstall, StubService());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quenbus setup: driver service QbStub is not installed\n");
}

TEST_F(Nt5System, SetupWithoutStartLeavesTheServiceStoppedAndIgnoresModels)
{
    SetupOptions options = StubService();
    options.start = false;
    options.models = {{"Sotal", "Sotal ISA board"}};
    SetupRun run = RunSetup(SetupAction::Install, options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("--model is not needed and is ignored"), std::string::npos);
    EXPECT_EQ(RunSetup(SetupAction::Status, options).out, "Driver service QbStub: installed, not running\n");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kHardwareStorePath) + "\\Sotal"));
}

TEST_F(Win9xSystem, SetupRefusesADriverServiceAndChangesNothing)
{
    SetupRun run = RunSetup(SetupAction::Install, StubService());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quenbus setup: driver services need the Windows NT family; nothing was changed\n");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kRoot));

    run = RunSetup(SetupAction::Install, SetupOptions());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kRoot + "\\0000"));
}

TEST_F(LegacyNtSystem, SetupDescribesModelsAndHandsOverUpToTheFirstUnboundInterface)
{
    SetupOptions options;
    options.models = {{"Sotal", "Sotal ISA board"}};
    SetupRun run = RunSetup(SetupAction::Install, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("quenbus setup: failed: handing the configuration to the driver"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("already done and kept:\n  - board model Sotal described\n  - bus configuration "
                           "initialised\n"),
              std::string::npos)
        << run.err;

    options.driver = kStubDriverPath;
    options.service = "Rumex";
    run = RunSetup(SetupAction::Install, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("System: Windows NT 4\n"), std::string::npos);
    EXPECT_NE(run.out.find("Configuration handed to the driver up to interface 0001"), std::string::npos)
        << run.out;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kServicesPath) + "\\Rumex\\0"));
}

} // namespace
