// The I/O trace below the libraries: an entry's line and its parser, the
// trace file's appends from many writers at once, its cap and its damage,
// and the switch in the configuration.
#include "trace/trace_entry.h"
#include "trace/trace_file.h"
#include "trace/trace_switch.h"

#include "config/config_layout.h"
#include "registry_test_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

namespace {

TraceEntry SampleEntry(long long time, const std::string& process, const std::string& call)
{
    TraceEntry entry;
    entry.timeUs = time;
    entry.durationUs = 17;
    entry.processId = 4242;
    entry.process = process;
    entry.library = "drovane";
    entry.call = call;
    entry.arguments = "0, \"*IDN?\", 5";
    entry.address = "IEEE0,22";
    entry.termInEoi = 1;
    entry.termInEos = '\r';
    entry.termOutEoi = 0;
    entry.termOutEos = '\n';
    entry.timeoutMs = 20000;
    entry.transfer = TraceTransfer::Read;
    entry.dataLength = 24;
    entry.data = "Simbus,Multimeter,0,1.0\n";
    entry.result = 24;
    return entry;
}

void ExpectSame(const TraceEntry& a, const TraceEntry& b)
{
    EXPECT_EQ(TraceLine(a), TraceLine(b));
    EXPECT_EQ(a.data, b.data);
    EXPECT_EQ(a.process, b.process);
    EXPECT_EQ(a.termInEos, b.termInEos);
    EXPECT_EQ(a.failure, b.failure);
}

class TraceFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("quenbus-trace-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        path_ = (folder_ / "deeper" / "io-trace.txt").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Contents() const
    {
        std::ifstream file(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    void Overwrite(const std::string& bytes) const
    {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    }

    std::filesystem::path folder_;
    std::string path_;
};

} // namespace

TEST(TraceEntryLine, KeepsEveryByteAndEveryFieldOnOneLine)
{
    TraceEntry entry = SampleEntry(1796847445242894LL, "octave\tcli\n", "DrvReadEnded");
    for (int byte = 0; byte < 256; ++byte)
        entry.data += static_cast<char>(byte);
    entry.errorText = "the device did not answer in time";
    entry.error = 103;
    entry.result = -1;
    entry.failure = TraceFailure::Timeout;
    entry.termOutEos = kNotTraced;
    std::string line = TraceLine(entry);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    TraceEntry parsed;
    ASSERT_TRUE(ParseTraceLine(line, parsed)) << line;
    ExpectSame(entry, parsed);
    EXPECT_EQ(parsed.data.size(), 24u + 256u);
}

TEST(TraceEntryLine, RefusesWhatNoWriterMakes)
{
    const std::string line = TraceLine(SampleEntry(1, "p", "DrvWrite"));
    TraceEntry parsed;
    ASSERT_TRUE(ParseTraceLine(line, parsed));
    EXPECT_FALSE(ParseTraceLine("", parsed));
    EXPECT_FALSE(ParseTraceLine(line + "\textra", parsed)) << "a field too many";
    EXPECT_FALSE(ParseTraceLine(line.substr(0, line.rfind('\t')), parsed)) << "a field too few";
    EXPECT_FALSE(ParseTraceLine("x" + line, parsed)) << "a time that is no number";
    EXPECT_FALSE(ParseTraceLine("-1" + line.substr(line.find('\t')), parsed)) << "a time before 1970";
    EXPECT_FALSE(ParseTraceLine(line.substr(0, line.size() - 2) + "\"bogus\"", parsed)) << "an unknown failure";
    std::string unquoted = line;
    unquoted.replace(unquoted.find("\"drovane\""), 9, "drovane");
    EXPECT_FALSE(ParseTraceLine(unquoted, parsed)) << "a text without quotes";
    std::string badEscape = line;
    badEscape.replace(badEscape.find("\\n"), 2, "\\q");
    EXPECT_FALSE(ParseTraceLine(badEscape, parsed)) << "an unknown escape";
    std::string character = line;
    character.replace(character.find("\t13\t"), 4, "\t256\t");
    EXPECT_FALSE(ParseTraceLine(character, parsed)) << "a terminator character beyond 255";
}

TEST_F(TraceFileTest, AppendsBehindAHeaderAndReadsBackInOrder)
{
    EXPECT_FALSE(ReadTraceFile(path_).found);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(AppendTraceEntry(path_, SampleEntry(1000 + i, "octave-cli", "DrvWrite"), kDefaultTraceCap));
    EXPECT_EQ(Contents().substr(0, std::string(kTraceHeader).size() + 1), std::string(kTraceHeader) + "\n");
    TraceReading reading = ReadTraceFile(path_);
    ASSERT_TRUE(reading.readable);
    EXPECT_FALSE(reading.headerDamaged);
    EXPECT_EQ(reading.damagedLines, 0u);
    ASSERT_EQ(reading.entries.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(reading.entries[static_cast<size_t>(i)].timeUs, 1000 + i);
    std::string problem;
    ASSERT_TRUE(ClearTraceFile(path_, problem)) << problem;
    EXPECT_EQ(Contents(), std::string(kTraceHeader) + "\n");
    EXPECT_TRUE(ReadTraceFile(path_).entries.empty());
}

TEST_F(TraceFileTest, AtItsCapKeepsTheNewestEntriesAndStaysWithinIt)
{
    const size_t cap = kMinTraceCap;
    size_t largest = 0;
    const int count = 2000;
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(AppendTraceEntry(path_, SampleEntry(i, "quenbus", "DrvReadEnded"), cap));
        largest = std::max(largest, static_cast<size_t>(std::filesystem::file_size(path_)));
    }
    EXPECT_LE(largest, cap);
    TraceReading reading = ReadTraceFile(path_);
    EXPECT_EQ(reading.damagedLines, 0u);
    ASSERT_GT(reading.entries.size(), 10u);
    EXPECT_LT(reading.entries.size(), static_cast<size_t>(count));
    EXPECT_EQ(reading.entries.back().timeUs, count - 1) << "the newest entry is kept";
    for (size_t i = 1; i < reading.entries.size(); ++i)
        EXPECT_EQ(reading.entries[i].timeUs, reading.entries[i - 1].timeUs + 1) << "the kept ones are the newest, whole";
}

TEST_F(TraceFileTest, ADamagedFileIsReportedAndStartedAfresh)
{
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    Overwrite(std::string("\x89PNG\r\n\x1a\n\0\0garbage", 17));
    TraceReading damaged = ReadTraceFile(path_);
    ASSERT_TRUE(damaged.readable);
    EXPECT_TRUE(damaged.headerDamaged);
    EXPECT_GT(damaged.damagedLines, 0u);
    ASSERT_TRUE(AppendTraceEntry(path_, SampleEntry(7, "quenbus", "DrvClose"), kDefaultTraceCap));
    TraceReading fresh = ReadTraceFile(path_);
    EXPECT_FALSE(fresh.headerDamaged);
    EXPECT_EQ(fresh.damagedLines, 0u);
    ASSERT_EQ(fresh.entries.size(), 1u);
    EXPECT_EQ(fresh.entries[0].timeUs, 7);

    // A line cut short (a writer that died mid-line) stays apart from the next entry.
    std::string whole = Contents();
    Overwrite(whole + TraceLine(SampleEntry(8, "quenbus", "DrvWrite")).substr(0, 30));
    ASSERT_TRUE(AppendTraceEntry(path_, SampleEntry(9, "quenbus", "DrvRead"), kDefaultTraceCap));
    TraceReading mended = ReadTraceFile(path_);
    EXPECT_EQ(mended.damagedLines, 1u);
    ASSERT_EQ(mended.entries.size(), 2u);
    EXPECT_EQ(mended.entries[1].timeUs, 9);

    // A folder where the file should be: nothing to write to, and no crash.
    std::filesystem::remove(path_);
    std::filesystem::create_directories(path_);
    EXPECT_FALSE(AppendTraceEntry(path_, SampleEntry(10, "quenbus", "DrvRead"), kDefaultTraceCap));
    EXPECT_FALSE(ReadTraceFile(path_).readable);
}

TEST_F(TraceFileTest, WritersAtOnceLoseNothingAndMixNoEntry)
{
    const int writers = 4;
    const int each = 300;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([this, w] {
            for (int i = 0; i < each; ++i) {
                TraceEntry entry = SampleEntry(i, "writer" + std::to_string(w), "DrvWrite");
                entry.data.assign(static_cast<size_t>(40 + w * 20), static_cast<char>('a' + w));
                AppendTraceEntry(path_, entry, kDefaultTraceCap);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    TraceReading reading = ReadTraceFile(path_);
    EXPECT_EQ(reading.damagedLines, 0u);
    ASSERT_EQ(reading.entries.size(), static_cast<size_t>(writers * each));
    std::vector<long long> next(writers, 0);
    for (const TraceEntry& entry : reading.entries) {
        int w = entry.process.back() - '0';
        ASSERT_TRUE(w >= 0 && w < writers) << entry.process;
        EXPECT_EQ(entry.timeUs, next[static_cast<size_t>(w)]++) << "each writer's entries in its order";
        EXPECT_EQ(entry.data, std::string(static_cast<size_t>(40 + w * 20), static_cast<char>('a' + w)));
    }
}

class TraceSwitchTest : public RegistryTest {};

TEST_F(TraceSwitchTest, LivesOnTheConfigurationRootAndRunningProgramsSeeIt)
{
    EXPECT_FALSE(WriteTraceSwitch(true, 0)) << "no root is made for the switch";
    EXPECT_FALSE(ReadTraceSwitch().on);
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE]\n");
    bool before = TraceWanted();
    ASSERT_TRUE(WriteTraceSwitch(true, 65536));
    TraceSwitch now = ReadTraceSwitch();
    EXPECT_TRUE(now.on);
    EXPECT_EQ(now.cap, 65536u);
    // A program that asked before sees the change within its look interval.
    std::this_thread::sleep_for(std::chrono::milliseconds(kSwitchLookMs + 100));
    EXPECT_TRUE(TraceWanted()) << "was " << before;
    EXPECT_EQ(TraceCap(), 65536u);
    ASSERT_TRUE(WriteTraceSwitch(false, 0));
    EXPECT_EQ(ReadTraceSwitch().cap, 65536u) << "a cap of 0 keeps the cap";
    std::this_thread::sleep_for(std::chrono::milliseconds(kSwitchLookMs + 100));
    EXPECT_FALSE(TraceWanted());
    // A cap out of range stands for the default.
    RegKey root = Open(HKEY_CURRENT_USER, kConfigRootPath);
    DWORD tiny = 100;
    RegSetValueExA(root.Get(), kTraceCap, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&tiny), sizeof tiny);
    EXPECT_EQ(ReadTraceSwitch().cap, kDefaultTraceCap);
}
