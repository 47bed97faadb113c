// rx47-cli decode: the printed lines byte for byte, the failure path and the usage errors.

#include "CliTestSupport.h"

#include "cli/ExitCodes.h"

#include <gtest/gtest.h>

namespace {

// The expected output from the 14 values in their printed order.
QByteArray Lines(const std::vector<QByteArray>& values) {
    static const char* const names[] = {
        "LcdD3", "LcdD2",  "LcdD1",   "LcdFH",        "LcdDT3",          "LcdDT2",   "LcdDT1",
        "LCDC",  "LCDDEW", "LCDTime", "HumidityText", "TemperatureText", "UnitText", "ChartValue"};
    EXPECT_EQ(values.size(), std::size(names));
    QByteArray text;
    for (size_t i = 0; i < values.size() && i < std::size(names); ++i)
        text += QByteArray(names[i]) + '\t' + values[i] + '\n';
    return text;
}

struct DecodeCase {
    const char* name;
    QStringList arguments;
    QByteArray decimalSep;
    int exitCode;
    std::vector<QByteArray> values;
    QByteArray err;
};

class DecodeCommandTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCommandTest, PrintsTheReadout) {
    const DecodeCase& c = GetParam();
    const TCliRun run = RunCliInProcess(QStringList{"decode"} + c.arguments, c.decimalSep);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, Lines(c.values));
    EXPECT_EQ(run.err, c.err);
}

QString Hex(const QByteArray& hex) {
    return QString::fromLatin1(hex);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Frames, DecodeCommandTest, ::testing::Values(
    DecodeCase{"Plain", {Hex(FrameHex(4, 5, 3, 2, 3, 4, 0, 0, 0x05, 0x3B))}, ".", kExitOk,
               {"4", "5", "3", "", "2", "3", "4", "#", " ", "05:59",
                "45.3%RH", "23.4", "#", "45.3"}, ""},
    DecodeCase{"LowerCaseWithBlanks",
               {"02 34 35 33 32 33 34 30 30 30 30 30 30 30 30", "05 3b 0d 0a"}, ".", kExitOk,
               {"4", "5", "3", "", "2", "3", "4", "#", " ", "05:59",
                "45.3%RH", "23.4", "#", "45.3"}, ""},
    DecodeCase{"NegativeTemperatureDewPointCommaPlotted",
               {"--temp", Hex(FrameHex(4, 5, 3, 2, 3, 4, 1, 3))}, ",", kExitOk,
               {"4", "5", "3", "-", "2", "3", "4", "?", "DEW POINT", "16:32",
                "45,3%RH", "-23,4", "DEW?", "-23.4"}, ""},
    DecodeCase{"BlankTensDigit", {Hex(FrameHex(0xA, 5, 3, 0xA, 7, 1, 0, 1))}, ".", kExitOk,
               {"", "5", "3", "", "", "7", "1", "#", "DEW POINT", "16:32",
                "5.3%RH", "7.1", "DEW#", "5.3"}, ""},
    DecodeCase{"NoHumidityReadingKeepsStartValue", {Hex(FrameHex(4, 0xB, 3, 2, 3, 4, 0, 2))}, ".",
               kExitOk,
               {"-", "-", "-", "", "2", "3", "4", "?", " ", "00:00",
                "----", "23.4", "?", "0"}, ""},
    DecodeCase{"UnitByteWithLetterStopsAtTheUnit", {Hex(FrameHex(4, 5, 3, 2, 3, 4, 0, 0xC))}, ".",
               kExitFailed,
               {"4", "5", "3", "-", "2", "3", "4", "#", "DEW POINT", "00:00:00",
                "", "", "", "0"}, "rx47-cli: 'C' is not a valid integer value\n"},
    DecodeCase{"SignByteWithLetterStopsAfterTheTime", {Hex(FrameHex(4, 5, 3, 2, 3, 4, 0xD, 0))},
               ".", kExitFailed,
               {"4", "5", "3", "-", "2", "3", "4", "#", " ", "16:32",
                "", "", "#", "0"}, "rx47-cli: 'D' is not a valid integer value\n"},
    DecodeCase{"LetterInPlottedDigitsStopsAtTheChartValue",
               {"--temp", Hex(FrameHex(4, 5, 3, 0xC, 3, 4, 0, 0))}, ".", kExitFailed,
               {"4", "5", "3", "", "C", "3", "4", "#", " ", "16:32",
                "45.3%RH", "C3.4", "#", "0"}, "rx47-cli: 'C34' is not a valid integer value\n"},
    DecodeCase{"EmptyFrame", {""}, ".", kExitFailed,
               {"", "", "", "-", "", "", "", "#", "DEW POINT", "00:00:00",
                "", "", "", "0"}, "rx47-cli: '' is not a valid integer value\n"}),
    [](const auto& p) { return std::string(p.param.name); });
// clang-format on

struct UsageCase {
    const char* name;
    QStringList arguments;
    QByteArray err;
};

class DecodeUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(DecodeUsageTest, RejectsWithoutOutput) {
    const TCliRun run = RunCliInProcess(GetParam().arguments);
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, GetParam().err);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Errors, DecodeUsageTest, ::testing::Values(
    UsageCase{"NoFrame", {"decode"},
              "rx47-cli: decode: decode needs the frame as hexadecimal text "
              "(try 'rx47-cli decode --help')\n"},
    UsageCase{"OddDigits", {"decode", "023"},
              "rx47-cli: decode: the frame needs two hexadecimal digits per byte "
              "(try 'rx47-cli decode --help')\n"},
    UsageCase{"NotHex", {"decode", "02x4"},
              "rx47-cli: decode: 'x' is not a hexadecimal digit (try 'rx47-cli decode --help')\n"},
    UsageCase{"UnknownOption", {"decode", "--tmp", "0234"},
              "rx47-cli: decode: unknown option '--tmp' (try 'rx47-cli decode --help')\n"},
    UsageCase{"FlagWithValue", {"decode", "--temp=1", "0234"},
              "rx47-cli: decode: --temp takes no value (try 'rx47-cli decode --help')\n"}),
    [](const auto& p) { return std::string(p.param.name); });
// clang-format on

TEST(DecodeHelp, PrintsUsageAndSucceeds) {
    for (const QStringList& arguments :
         {QStringList{"decode", "--help"}, QStringList{"help", "decode"}}) {
        const TCliRun run = RunCliInProcess(arguments);
        EXPECT_EQ(run.exitCode, kExitOk);
        EXPECT_TRUE(run.out.startsWith("Usage: rx47-cli decode [--temp] HEX\n")) << run.out.data();
        EXPECT_TRUE(run.err.isEmpty());
    }
}

} // namespace
