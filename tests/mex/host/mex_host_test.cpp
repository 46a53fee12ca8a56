// busquery and buswrite in our own MEX host: the case tables that GNU Octave
// runs, and on Windows what the MEX files carry (exports, string table,
// imports by ordinal).
//
// Environment: QUENBUS_MEX_DIR holds the MEX files, QUENBUS_MEX_CASES names a
// case table, QUENBUS_MEX_REGISTRY (optional) a REGEDIT4 file applied before
// the cases, with HKCU "Software\Korvex" removed before and after.
#include "case_table.h"
#include "host_api.h"
#include "mex_file.h"
#ifdef _WIN32
#include "pe_image.h"
#endif

#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const int kOutputSlots = 8;

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

void SetEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv((std::string(name) + "=" + value).c_str());
#else
    setenv(name, value, 1);
#endif
}

// The bus log: beside the run's own trace, so that runs at once do not share it.
const std::string& TraceFile()
{
    static const std::string path = [] {
        std::string trace = EnvironmentValue("QUENBUS_TRACE_FILE");
        return trace.empty() ? std::string("mex_host_trace.log") : trace + ".buslog";
    }();
    return path;
}

std::vector<MexCase> LoadCases()
{
    std::vector<MexCase> cases;
    std::string error;
    ReadCaseTable(EnvironmentValue("QUENBUS_MEX_CASES"), cases, error);
    return cases;
}

// The bus configuration of the run, applied before the first test.
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
        SetEnvironment("QUENBUS_SIMBUS_TRACE", TraceFile().c_str());
    }

    void TearDown() override { RegDeleteKeyTree(HKEY_CURRENT_USER, "Software\\Korvex"); }
};

const ::testing::Environment* const g_registrySetup = ::testing::AddGlobalTestEnvironment(new RegistrySetup);

std::vector<std::string> TraceLines()
{
    std::vector<std::string> lines;
    std::ifstream file(TraceFile(), std::ios::binary);
    std::string line;
    while (std::getline(file, line))
        lines.push_back(line);
    return lines;
}

std::string TextOf(const mxArray* array)
{
    std::string text;
    const mxChar* chars = mxGetChars(array);
    for (size_t i = 0; chars && i < mxGetM(array) * mxGetN(array); ++i)
        text += static_cast<char>(chars[i]);
    return text;
}

// The arguments of a case as the host hands them over; destroyed with it.
class Arguments {
public:
    explicit Arguments(const std::vector<CaseArgument>& arguments)
    {
        for (const CaseArgument& argument : arguments) {
            mxArray* array = nullptr;
            if (argument.isText) {
                mwSize dimensions[2] = {1, argument.text.size()};
                array = mxCreateCharArray(2, dimensions);
                for (size_t i = 0; i < argument.text.size(); ++i)
                    mxGetChars(array)[i] = static_cast<unsigned char>(argument.text[i]);
            } else {
                array = mxCreateDoubleMatrix(1, 1, mxREAL);
                *mxGetPr(array) = argument.number;
            }
            arrays_.push_back(array);
        }
    }
    ~Arguments()
    {
        for (mxArray* array : arrays_)
            mxDestroyArray(array);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    int Count() const { return static_cast<int>(arrays_.size()); }
    const mxArray** Get() { return const_cast<const mxArray**>(arrays_.data()); }

private:
    std::vector<mxArray*> arrays_;
};

// The output slots of a call, with the arrays the command put there.
struct Outputs {
    mxArray* slots[kOutputSlots] = {};
    Outputs() = default;
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;
    ~Outputs()
    {
        for (mxArray* array : slots)
            mxDestroyArray(array);
    }
};

class MexCaseRun : public ::testing::TestWithParam<MexCase> {};

TEST_P(MexCaseRun, BehavesAsTheTableSays)
{
    const MexCase& mexCase = GetParam();
    SCOPED_TRACE(mexCase.title);
    const MexFile& command = LoadedCommand(mexCase.function);
    ASSERT_TRUE(command.Entry()) << command.Error();

    std::remove(TraceFile().c_str());
    Arguments arguments(mexCase.arguments);
    Outputs outputs;
    char message[512] = "";
    int failed = mexHostCall(command.Entry(), mexCase.nargout, outputs.slots, arguments.Count(), arguments.Get(),
                             message, sizeof message);

    EXPECT_EQ(mxHostReleaseBlocks(), 0u) << "mxCalloc blocks left allocated";
    EXPECT_EQ(mxHostBadFrees(), 0u) << "mxFree of blocks the host did not give";
    if (mexCase.checksError) {
        EXPECT_TRUE(failed);
        EXPECT_EQ(message, mexCase.error);
    } else {
        EXPECT_FALSE(failed) << message;
    }

    // busquery fills its second slot only for two or more outputs.
    bool query = mexCase.function == "busquery";
    for (int slot = 0; slot < kOutputSlots; ++slot) {
        bool expected = !mexCase.checksError && (slot == 0 || (slot == 1 && query && mexCase.nargout >= 2));
        EXPECT_EQ(outputs.slots[slot] != nullptr, expected) << "output " << slot + 1;
    }
    if (mexCase.checksReply && outputs.slots[0]) {
        EXPECT_TRUE(mxIsChar(outputs.slots[0]));
        EXPECT_EQ(TextOf(outputs.slots[0]), mexCase.reply);
    }
    const mxArray* status = outputs.slots[query ? 1 : 0];
    if (mexCase.checksStatus && status) {
        ASSERT_TRUE(mxIsDouble(status));
        EXPECT_EQ(mxGetM(status) * mxGetN(status), 1u);
        EXPECT_EQ(*mxGetPr(status), mexCase.status);
    }
    if (mexCase.checksTrace) {
        EXPECT_EQ(TraceLines(), mexCase.trace);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MexCaseRun, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<MexCase>& info) {
                             return "Line" + std::to_string(info.param.line);
                         });

TEST(MexCaseTable, IsReadable)
{
    std::vector<MexCase> cases;
    std::string error;
    EXPECT_TRUE(ReadCaseTable(EnvironmentValue("QUENBUS_MEX_CASES"), cases, error)) << error;
    EXPECT_FALSE(cases.empty());
}

#ifdef _WIN32
HMODULE ModuleOf(const char* command)
{
    return static_cast<HMODULE>(LoadedCommand(command).Module());
}

TEST(MexFiles, ExportOnlyMexFunction)
{
    for (const char* command : {"busquery", "buswrite"}) {
        ASSERT_TRUE(ModuleOf(command)) << LoadedCommand(command).Error();
        ExportTable exports = ExportsOf(ModuleOf(command));
        EXPECT_EQ(exports.functionCount, 1u) << command;
        EXPECT_EQ(exports.names, std::vector<std::string>{"mexFunction"}) << command;
    }
}

TEST(MexFiles, CarryTheVersionStringsInUsEnglish)
{
    const WORD usEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    for (const char* command : {"busquery", "buswrite"}) {
        HMODULE module = ModuleOf(command);
        ASSERT_TRUE(module) << LoadedCommand(command).Error();
        // Strings 96 to 111 share block 7 of the string table.
        EXPECT_TRUE(FindResourceExA(module, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(7), usEnglish)) << command;
        char text[64];
        ASSERT_GT(LoadStringA(module, 100, text, sizeof text), 0) << command;
        EXPECT_STREQ(text, "MATLAB 5.1 native");
        ASSERT_GT(LoadStringA(module, 101, text, sizeof text), 0) << command;
        EXPECT_STREQ(text, "not inlined");
    }
}

// Both commands hold both transfers: the bus driver calls 3 close, 5 open a
// device, 6 write, 7 read; all seven SICL calls.
TEST(MexFiles, ImportTheBusLibrariesByOrdinalOnly)
{
    const std::vector<unsigned> drovane = {3, 5, 6, 7};
    const std::vector<unsigned> sicl = {1, 2, 3, 4, 5, 6, 7};
    for (const char* command : {"busquery", "buswrite"}) {
        ASSERT_TRUE(ModuleOf(command)) << LoadedCommand(command).Error();
        for (const auto& library : {std::make_pair("drovane.dll", drovane), std::make_pair("sicl32.dll", sicl)}) {
            ImportTable imports = ImportsOf(ModuleOf(command), library.first);
            EXPECT_TRUE(imports.found) << command << " " << library.first;
            std::sort(imports.ordinals.begin(), imports.ordinals.end());
            EXPECT_EQ(imports.ordinals, library.second) << command << " " << library.first;
            EXPECT_TRUE(imports.names.empty()) << command << " imports by name from " << library.first;
        }
    }
}
#endif

} // namespace
