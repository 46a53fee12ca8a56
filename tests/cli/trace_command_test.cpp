// What quenbus trace and check make of trace entries: the findings and their
// fixes, the fixed layout of show, the JSON lines of export, the cap's sizes.
#include "cli/trace_command.h"
#include "cli/trace_findings.h"
#include "cli/trace_show.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace {

const long long kNow = 1796847445000000LL;

TraceEntry Call(const std::string& address, TraceTransfer transfer, TraceFailure failure, const std::string& data)
{
    TraceEntry entry;
    entry.timeUs = kNow - 1000;
    entry.processId = 77;
    entry.process = "octave-cli";
    entry.library = "drovane";
    entry.call = transfer == TraceTransfer::Read ? "DrvReadEnded" : "DrvWrite";
    entry.address = address;
    entry.termInEoi = 1;
    entry.termInEos = '\r';
    entry.timeoutMs = 20000;
    entry.transfer = transfer;
    entry.dataLength = static_cast<long long>(data.size());
    entry.data = data;
    entry.failure = failure;
    entry.error = failure == TraceFailure::Timeout ? 103 : failure == TraceFailure::NoListener ? 101 : 0;
    entry.errorText = failure == TraceFailure::None ? "" : "words";
    entry.result = failure == TraceFailure::None ? 0 : -1;
    return entry;
}

bool AnyHas(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

TEST(TraceFindings, NameTheMissedTerminatorTheMissingListenerAndRepeatedTimeouts)
{
    std::vector<TraceEntry> entries = {
        Call("IEEE0,22", TraceTransfer::Read, TraceFailure::Timeout, "+1.234500E+00\n"),
        Call("IEEE0,22", TraceTransfer::Read, TraceFailure::Timeout, "+1.234500E+00\n"),
        Call("IEEE0,3", TraceTransfer::Write, TraceFailure::NoListener, "*RST"),
        Call("IEEE0,9", TraceTransfer::Read, TraceFailure::Timeout, ""),
        Call("IEEE0,9", TraceTransfer::Read, TraceFailure::Timeout, ""),
        Call("IEEE0,9", TraceTransfer::Read, TraceFailure::Timeout, ""),
        // Its terminator came: a time-out for another reason, and only one.
        Call("IEEE0,5", TraceTransfer::Read, TraceFailure::Timeout, "half\r"),
        Call("IEEE0,5", TraceTransfer::Read, TraceFailure::None, "whole\r"),
    };
    std::vector<std::string> findings = TraceFindings(entries, kNow);
    ASSERT_EQ(findings.size(), 3u) << ::testing::PrintToString(findings);
    EXPECT_TRUE(AnyHas(findings, "trace: IEEE0,22: 2 reads timed out after \"+1.234500E+00\\n\" arrived"));
    EXPECT_TRUE(AnyHas(findings, "the reply ends with LF (\\n) and no END, but the read ends only at END or CR (\\r)"));
    EXPECT_TRUE(AnyHas(findings, "or read with LF (\\n) as the input terminator"));
    EXPECT_TRUE(AnyHas(findings, "trace: IEEE0,3: 1 call found no listener"));
    EXPECT_TRUE(AnyHas(findings, "quenbus scan IEEE0 lists"));
    EXPECT_TRUE(AnyHas(findings, "trace: IEEE0,9: 3 time-outs of 20000 ms (last by octave-cli[77]"));
    EXPECT_FALSE(AnyHas(findings, "IEEE0,5"));

    // Old failures are no longer news; two time-outs are not yet repeated ones.
    for (TraceEntry& entry : entries)
        entry.timeUs = kNow - kRecentTraceUs - 1;
    EXPECT_TRUE(TraceFindings(entries, kNow).empty());
    std::vector<TraceEntry> two(entries.begin() + 3, entries.begin() + 5);
    for (TraceEntry& entry : two)
        entry.timeUs = kNow;
    EXPECT_TRUE(TraceFindings(two, kNow).empty());
}

TEST(TraceShow, OneFixedLineAFailedReadWithItsSettings)
{
    TraceEntry failed = Call("IEEE0,22", TraceTransfer::Read, TraceFailure::Timeout, "+1.2\n");
    failed.errorText = "the device did not answer in time";
    std::string line = ShownEntry(failed);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.substr(0, 26), LocalTime(failed.timeUs));
    EXPECT_NE(line.find("octave-cli[77]"), std::string::npos) << line;
    EXPECT_NE(line.find("<- \"+1.2\\n\" (5 bytes)"), std::string::npos) << line;
    EXPECT_NE(line.find("FAILED: error 103, the device did not answer in time; the read ends at END or CR (\\r), "
                        "time-out 20000 ms"),
              std::string::npos)
        << line;
    TraceEntry cut = Call("IEEE0,16", TraceTransfer::Read, TraceFailure::None, std::string(kTracedData, 'x'));
    cut.dataLength = 16777216;
    EXPECT_NE(ShownEntry(cut).find("xx\"... (16777216 bytes)"), std::string::npos);
    EXPECT_EQ(ShownEntry(cut).find("FAILED"), std::string::npos);

    TraceFilter filter;
    filter.address = "ieee0:22";
    EXPECT_TRUE(EntryMatches(failed, filter));
    filter.address = "IEEE0";
    EXPECT_TRUE(EntryMatches(failed, filter)) << "an interface takes in its devices";
    filter.address = "IEEE0,2";
    EXPECT_FALSE(EntryMatches(failed, filter));
    filter = TraceFilter();
    filter.process = "77";
    EXPECT_TRUE(EntryMatches(failed, filter));
    failed.process = "quenbus.exe";
    filter.process = "QUENBUS";
    EXPECT_TRUE(EntryMatches(failed, filter)) << ".exe may be left off";
    filter.errorsOnly = true;
    EXPECT_FALSE(EntryMatches(cut, filter));
}

TEST(TraceExport, OneJsonObjectALineWithEveryByteOfTheData)
{
    TraceEntry entry = Call("hpib7,22", TraceTransfer::Read, TraceFailure::None, "");
    for (int byte = 0; byte < 256; ++byte)
        entry.data += static_cast<char>(byte);
    entry.dataLength = 256;
    std::string text = EntryJson(entry);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    nlohmann::json object = nlohmann::json::parse(text);
    EXPECT_EQ(object["address"], "hpib7,22");
    EXPECT_EQ(object["time"], std::string("2026-12-09T20:17:24.999000Z"));
    EXPECT_EQ(object["time_us"], kNow - 1000);
    EXPECT_EQ(object["term_in"]["end"], true);
    EXPECT_EQ(object["term_in"]["eos"], 13);
    EXPECT_TRUE(object["term_out"]["eos"].is_null());
    EXPECT_EQ(object["transfer"], "read");
    EXPECT_TRUE(object["failure"].is_null());
    // Code point n for byte n.
    std::string data = object["data"];
    std::vector<int> bytes;
    for (size_t i = 0; i < data.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        bytes.push_back(c < 0x80 ? c : ((c & 0x1F) << 6) | (static_cast<unsigned char>(data[++i]) & 0x3F));
    }
    ASSERT_EQ(bytes.size(), 256u);
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(bytes[static_cast<size_t>(byte)], byte);
}

TEST(TraceCap, SizesFromSixteenKibibytesToOneGibibyte)
{
    size_t cap = 0;
    EXPECT_TRUE(ParseTraceCap("64K", cap));
    EXPECT_EQ(cap, 65536u);
    EXPECT_TRUE(ParseTraceCap("4m", cap));
    EXPECT_EQ(cap, 4u * 1024 * 1024);
    EXPECT_TRUE(ParseTraceCap("16384", cap));
    EXPECT_TRUE(ParseTraceCap("1G", cap));
    for (const char* bad : {"", "16383", "2G", "4MB", "K", "-64K", "99999999999999"})
        EXPECT_FALSE(ParseTraceCap(bad, cap)) << bad;
}
