// quenbus query and write run through the case tables of busquery and
// buswrite: the same replies, status and library calls (the tool's own query,
// which reads on past busquery's reply, the same replies and status). Environment as for
// the MEX host: QUENBUS_MEX_CASES names the table, QUENBUS_MEX_REGISTRY
// (optional) a REGEDIT4 file applied first.
#include "cli/transfer_command.h"
#include "platform/reg_file.h"
#include "tests/mex/host/case_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

// One bus log a process: runs of several tables may share the folder.
std::string TraceFileName()
{
#ifdef _WIN32
    int process = _getpid();
#else
    int process = static_cast<int>(getpid());
#endif
    return "cli_transfer_trace." + std::to_string(process) + ".log";
}

const std::string kTraceFile = TraceFileName();

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

class RegistrySetup : public ::testing::Environment {
public:
    void SetUp() override
    {
        RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
        std::string file = EnvironmentValue("QUENBUS_MEX_REGISTRY");
        std::string error;
        if (!file.empty()) {
            ASSERT_TRUE(RegLoadFile(file.c_str(), &error)) << error;
        }
#ifdef _WIN32
        _putenv(("QUENBUS_SIMBUS_TRACE=" + kTraceFile).c_str());
#else
        setenv("QUENBUS_SIMBUS_TRACE", kTraceFile.c_str(), 1);
#endif
    }

    void TearDown() override
    {
        RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex");
        std::remove(kTraceFile.c_str());
    }
};

const ::testing::Environment* const g_registrySetup = ::testing::AddGlobalTestEnvironment(new RegistrySetup);

// The cases the tool can make: two texts, and no argument error.
std::vector<MexCase> TransferCases()
{
    std::vector<MexCase> cases;
    std::vector<MexCase> table;
    std::string error;
    ReadCaseTable(EnvironmentValue("QUENBUS_MEX_CASES"), table, error);
    for (const MexCase& mexCase : table) {
        bool texts = mexCase.arguments.size() == 2 && mexCase.arguments[0].isText && mexCase.arguments[1].isText;
        if (texts && (mexCase.function == "busquery" || mexCase.function == "buswrite"))
            cases.push_back(mexCase);
    }
    return cases;
}

std::vector<std::string> TraceLines()
{
    std::vector<std::string> lines;
    std::ifstream file(kTraceFile, std::ios::binary);
    std::string line;
    while (std::getline(file, line))
        lines.push_back(line);
    return lines;
}

class TransferCase : public ::testing::TestWithParam<MexCase> {};

TEST_P(TransferCase, GivesWhatTheMatlabCommandGives)
{
    const MexCase& mexCase = GetParam();
    SCOPED_TRACE(mexCase.title);
    std::remove(kTraceFile.c_str());
    TransferResult result =
        RunTransfer(mexCase.arguments[0].text, mexCase.arguments[1].text, mexCase.function == "busquery");
    if (mexCase.checksError) {
        // The one refusal of two texts: an address that does not fit.
        EXPECT_FALSE(result.addressFits);
        EXPECT_TRUE(TraceLines().empty());
        return;
    }
    ASSERT_TRUE(result.addressFits);
    if (mexCase.checksReply) {
        EXPECT_EQ(result.reply, mexCase.reply);
    }
    if (mexCase.checksStatus) {
        EXPECT_EQ(result.status, mexCase.status);
    }
    if (mexCase.checksTrace) {
        EXPECT_EQ(TraceLines(), mexCase.trace);
    }
    // The tool's query reads on to tell what busquery's text left out, and
    // gives the same text and status.
    TransferOptions noticing;
    noticing.noticeCut = true;
    TransferResult tool =
        RunTransfer(mexCase.arguments[0].text, mexCase.arguments[1].text, mexCase.function == "busquery", noticing);
    if (mexCase.checksReply) {
        EXPECT_EQ(tool.reply, mexCase.reply);
    }
    if (mexCase.checksStatus) {
        EXPECT_EQ(tool.status, mexCase.status);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TransferCase, ::testing::ValuesIn(TransferCases()),
                         [](const ::testing::TestParamInfo<MexCase>& info) {
                             return "Line" + std::to_string(info.param.line);
                         });

TEST(TransferCaseTable, HoldsTransfers)
{
    EXPECT_FALSE(TransferCases().empty()) << "no transfers in " << EnvironmentValue("QUENBUS_MEX_CASES");
}

TEST(StatusWords, NameEveryBit)
{
    EXPECT_EQ(StatusWords(0), "");
    EXPECT_EQ(StatusWords(7), "open failed, send or read failed, close failed");
    EXPECT_EQ(StatusWords(4), "close failed");
}

} // namespace
