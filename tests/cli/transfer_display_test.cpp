// How long transfers show: the hex dump of bytes that come in parts, and the
// progress line, on a clock the test moves.
#include "cli/hex_dump.h"
#include "cli/transfer_progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string Dumped(const std::string& bytes, size_t part)
{
    std::ostringstream out;
    HexDump dump(out);
    for (size_t at = 0; at < bytes.size(); at += part)
        dump.Add(bytes.data() + at, bytes.size() - at < part ? bytes.size() - at : part);
    dump.Finish();
    return out.str();
}

TEST(HexDump, GivesTheSameLinesHoweverTheBytesArriveInParts)
{
    std::string bytes = "0123456789abcdef\x7f\x80 ~\n";
    const std::string expected = "00000000  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66  |0123456789abcdef|\n"
                                 "00000010  7f 80 20 7e 0a                                    |.. ~.|\n"
                                 "00000015\n";
    for (size_t part : {1, 3, 16, 21}) {
        SCOPED_TRACE(part);
        EXPECT_EQ(Dumped(bytes, part), expected);
    }
    EXPECT_EQ(Dumped("", 1), "");
    EXPECT_EQ(Dumped(std::string(32, 'x'), 7).substr(79), "00000010  78 78 78 78 78 78 78 78  78 78 78 78 78 78 78 78"
                                                          "  |xxxxxxxxxxxxxxxx|\n00000020\n");
}

TEST(AmountText, CountsBytesThenBinaryUnits)
{
    EXPECT_EQ(AmountText(0), "0 bytes");
    EXPECT_EQ(AmountText(1023), "1023 bytes");
    EXPECT_EQ(AmountText(1536), "1.5 KiB");
    EXPECT_EQ(AmountText(12.5 * 1024 * 1024), "12.5 MiB");
    EXPECT_EQ(AmountText(3.0 * 1024 * 1024 * 1024), "3.0 GiB");
}

class Progress : public ::testing::Test {
protected:
    double now_ = 100;
    std::ostringstream err_;
    SecondsClock Clock()
    {
        return [this] { return now_; };
    }
};

TEST_F(Progress, NothingForATransferUnderASecond)
{
    TransferProgress progress(err_, false, Clock());
    progress.Add(1024 * 1024);
    now_ += 0.9;
    progress.Add(1024 * 1024);
    progress.Finish();
    EXPECT_EQ(err_.str(), "");
}

TEST_F(Progress, OneLineRewrittenInPlaceAfterASecondEndedWithALineFeed)
{
    TransferProgress progress(err_, false, Clock());
    now_ += 0.5;
    progress.Add(10 * 1024 * 1024);
    now_ += 0.75;
    progress.Add(5 * 512 * 1024);
    EXPECT_EQ(err_.str(), "\r12.5 MiB, 10.0 MiB/s");
    // Not drawn again within a quarter of a second.
    now_ += 0.1;
    progress.Add(1024);
    EXPECT_EQ(err_.str(), "\r12.5 MiB, 10.0 MiB/s");
    now_ += 11.15;
    progress.Add(1024);
    progress.Finish();
    // A shorter line covers what is left of the longer one.
    EXPECT_EQ(err_.str(), "\r12.5 MiB, 10.0 MiB/s"
                          "\r12.5 MiB, 1.0 MiB/s "
                          "\r12.5 MiB, 1.0 MiB/s\n");
}

TEST_F(Progress, ALongTransferOfOneReadIsShownAtItsEnd)
{
    TransferProgress progress(err_, false, Clock());
    now_ += 2;
    progress.Finish();
    EXPECT_EQ(err_.str(), "\r0 bytes, 0 bytes/s\n");
}

TEST_F(Progress, QuietShowsNothing)
{
    TransferProgress progress(err_, true, Clock());
    now_ += 5;
    progress.Add(1024 * 1024);
    progress.Finish();
    EXPECT_EQ(err_.str(), "");
}

} // namespace
