#include "link/UsbReports.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper();
}

TEST(CommandReport, IdThenOneCommandByteZeroFilledToTheOutputLength) {
    EXPECT_EQ(Hex(BuildCommandReport(0x5A, 9)), "00 01 5A 00 00 00 00 00 00");
    EXPECT_EQ(Hex(BuildCommandReport(0x02, 4)), "00 01 02 00");
    EXPECT_EQ(BuildCommandReport(0x02, 65).size(), 65);
}

TEST(CommandReport, LengthStaysWithinTheBuffer) {
    EXPECT_EQ(BuildCommandReport(0x02, 200).size(), kReportBufferSize);
    EXPECT_EQ(BuildCommandReport(0x02, 0).size(), 0);
    EXPECT_EQ(BuildCommandReport(0x02, -1).size(), 0);
}

TEST(OutputReport, SendDataReport) {
    EXPECT_EQ(Hex(BuildOutputReport(0x02, 0x5A, 6)), "00 02 5A 00 00 00");
}

struct BaudCase {
    bool b2400, b4800, b9600;
    uint32_t rate;
    const char* report;
};

class FeatureReportTest : public ::testing::TestWithParam<BaudCase> {};

TEST_P(FeatureReportTest, LowestTickedRateWins) {
    const BaudCase& c = GetParam();
    const uint32_t rate = BaudRateFromBoxes(c.b2400, c.b4800, c.b9600);
    EXPECT_EQ(rate, c.rate);
    EXPECT_EQ(Hex(BuildFeatureReport(rate)), c.report);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FeatureReportTest,
    ::testing::Values(BaudCase{true, false, false, 2400, "00 60 09 00 00 03 00 00 00 00"},
                      BaudCase{false, true, false, 4800, "00 C0 12 00 00 03 00 00 00 00"},
                      BaudCase{false, false, true, 9600, "00 80 25 00 00 03 00 00 00 00"},
                      BaudCase{true, true, true, 2400, "00 60 09 00 00 03 00 00 00 00"},
                      BaudCase{false, true, true, 4800, "00 C0 12 00 00 03 00 00 00 00"},
                      BaudCase{false, false, false, 0, "00 00 00 00 00 03 00 00 00 00"}));

TEST(SentReportTrace, BytesAfterTheReportIdUpToTheBytesSent) {
    const QByteArray report = BuildCommandReport(0x5A, 9);
    EXPECT_EQ(SentReportTrace(report, 9), "01 5A 00 00 00 00 00 00 ");
    EXPECT_EQ(SentReportTrace(report, 3), "01 5A ");
    EXPECT_EQ(SentReportTrace(report, 0), ""); // a failed write lists nothing
    EXPECT_EQ(SentReportTrace(report, 50), "01 5A 00 00 00 00 00 00 ");
    EXPECT_EQ(SentReportTrace(BuildFeatureReport(2400), kFeatureReportSize),
              "60 09 00 00 03 00 00 00 00 ");
}

} // namespace
