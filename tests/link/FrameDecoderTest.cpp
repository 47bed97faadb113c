// The decoding of one frame onto the readout and the program-state texts.

#include "link/FrameDecoder.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// A 19-byte frame in the logger's layout: humidity digits h3 h2 h1 in bytes 2-4, temperature t3 t2
// t1 in bytes 5-7, sign in byte 8, unit/dew flag in byte 14, the time bytes 16 and 17, CR LF.
QByteArray Frame(char h3, char h2, char h1, char t3, char t2, char t1, char sign, char unit,
                 uint8_t timeA = 0x10, uint8_t timeB = 0x20) {
    QByteArray bytes(19, '\0');
    bytes[0] = 0x02;
    const char digits[] = {h3, h2, h1, t3, t2, t1, sign};
    for (int i = 0; i < 7; ++i)
        bytes[1 + i] = char(0x30 | digits[i]);
    for (int i = 8; i < 13; ++i)
        bytes[i] = 0x30;
    bytes[13] = char(0x30 | unit);
    bytes[14] = 0x30;
    bytes[15] = char(timeA);
    bytes[16] = char(timeB);
    bytes[17] = 0x0D;
    bytes[18] = 0x0A;
    return bytes.toHex().toUpper();
}

QByteArray LowDigits(const QByteArray& rxHex) {
    QByteArray frameText;
    for (qsizetype k = 2; k <= rxHex.size() && frameText.size() < 20; k += 2)
        frameText.append(rxHex[k - 1]);
    return frameText;
}

struct DecodeCase {
    const char* name;
    QByteArray rxHex;
    QByteArray sep;
    bool plotTemperature;
    // Expected readout.
    QByteArray d3, d2, d1, fh, dt3, dt2, dt1, unitMark, dew, time;
    QByteArray humidity, temperature, unitText;
    float chartValue; // with a previous value of 99.5
};

class DecodeFrameTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeFrameTest, SetsReadoutAndTexts) {
    const DecodeCase& c = GetParam();
    TProgramState state;
    state.RxHex = c.rxHex;
    state.FrameText = LowDigits(c.rxHex);
    state.ChartValue = 99.5f;
    state.LinkTicks = 2;
    TReadout readout;
    readout.CONokVisible = false;
    DecodeFrame({c.sep, c.plotTemperature}, readout, state);

    EXPECT_EQ(readout.LcdD3, c.d3);
    EXPECT_EQ(readout.LcdD2, c.d2);
    EXPECT_EQ(readout.LcdD1, c.d1);
    EXPECT_EQ(readout.LcdFH, c.fh);
    EXPECT_EQ(readout.LcdDT3, c.dt3);
    EXPECT_EQ(readout.LcdDT2, c.dt2);
    EXPECT_EQ(readout.LcdDT1, c.dt1);
    EXPECT_EQ(readout.LCDC, c.unitMark);
    EXPECT_EQ(readout.LCDDEW, c.dew);
    EXPECT_EQ(readout.LCDTime, c.time);
    EXPECT_EQ(state.HumidityText, c.humidity);
    EXPECT_EQ(state.TemperatureText, c.temperature);
    EXPECT_EQ(state.UnitText, c.unitText);
    EXPECT_FLOAT_EQ(state.ChartValue, c.chartValue);
    EXPECT_EQ(readout.USBtxt, state.FrameText);
    EXPECT_TRUE(readout.CONokVisible);
    EXPECT_FALSE(readout.CONokNVisible);
    EXPECT_TRUE(readout.LcdP1Visible && readout.LcdP2Visible);
    EXPECT_EQ(state.LinkTicks, 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Frames, DecodeFrameTest, ::testing::Values(
    DecodeCase{"Plain", Frame(4, 5, 3, 2, 3, 4, 0, 0, 0x05, 0x3B), ".", false,
               "4", "5", "3", "", "2", "3", "4", "#", " ", "05:59",
               "45.3%RH", "23.4", "#", 45.3f},
    DecodeCase{"BlankTensDigit", Frame(0xA, 5, 3, 0xA, 7, 1, 0, 0), ".", false,
               "", "5", "3", "", "", "7", "1", "#", " ", "16:32",
               "5.3%RH", "7.1", "#", 5.3f},
    DecodeCase{"NoHumidityReading", Frame(4, 0xB, 3, 2, 3, 4, 0, 0), ".", false,
               "-", "-", "-", "", "2", "3", "4", "#", " ", "00:00",
               "----", "23.4", "#", 99.5f},
    DecodeCase{"NoTemperatureReading", Frame(4, 5, 3, 2, 0xB, 4, 0, 0), ".", false,
               "4", "5", "3", "", "-", "-", "-", "#", " ", "16:32",
               "45.3%RH", "--.-", "#", 45.3f},
    DecodeCase{"NoTemperaturePlottedKeepsValue", Frame(4, 5, 3, 2, 0xB, 4, 0, 0), ".", true,
               "4", "5", "3", "", "-", "-", "-", "#", " ", "16:32",
               "45.3%RH", "--.-", "#", 99.5f},
    DecodeCase{"NegativeTemperaturePlotted", Frame(4, 5, 3, 2, 3, 4, 1, 0), ".", true,
               "4", "5", "3", "-", "2", "3", "4", "#", " ", "16:32",
               "45.3%RH", "-23.4", "#", -23.4f},
    DecodeCase{"DewPointFahrenheit", Frame(4, 5, 3, 2, 3, 4, 0, 3), ".", false,
               "4", "5", "3", "", "2", "3", "4", "?", "DEW POINT", "16:32",
               "45.3%RH", "23.4", "DEW?", 45.3f},
    DecodeCase{"DewPointCelsius", Frame(4, 5, 3, 2, 3, 4, 0, 1), ".", false,
               "4", "5", "3", "", "2", "3", "4", "#", "DEW POINT", "16:32",
               "45.3%RH", "23.4", "DEW#", 45.3f},
    DecodeCase{"Fahrenheit", Frame(4, 5, 3, 2, 3, 4, 0, 2), ".", false,
               "4", "5", "3", "", "2", "3", "4", "?", " ", "16:32",
               "45.3%RH", "23.4", "?", 45.3f},
    DecodeCase{"TimeBytesAboveNinetyNine", Frame(4, 5, 3, 2, 3, 4, 0, 0, 0xFF, 0x00), ".", false,
               "4", "5", "3", "", "2", "3", "4", "#", " ", "255:00",
               "45.3%RH", "23.4", "#", 45.3f},
    DecodeCase{"CommaSeparator", Frame(4, 5, 3, 2, 3, 4, 1, 0), ",", false,
               "4", "5", "3", "-", "2", "3", "4", "#", " ", "16:32",
               "45,3%RH", "-23,4", "#", 45.3f},
    DecodeCase{"NoSeparator", Frame(4, 5, 3, 2, 3, 4, 0, 0), "", false,
               "4", "5", "3", "", "2", "3", "4", "#", " ", "16:32",
               "453%RH", "234", "#", 45.3f}),
    [](const auto& p) { return std::string(p.param.name); });
// clang-format on

// A failing conversion stops the decode where it happens; what was set before stays set.
TEST(DecodeFrameFailure, UnitByteWithLetterStopsAfterTheDigits) {
    TProgramState state;
    state.RxHex = Frame(4, 5, 3, 2, 3, 4, 0, 0xC);
    state.UnitText = "#";
    state.HumidityText = "old";
    state.ChartValue = 12.5f;
    TReadout readout;
    EXPECT_THROW(DecodeFrame({".", false}, readout, state), EConvertError);
    EXPECT_EQ(readout.LcdD3, "4");
    EXPECT_EQ(readout.LcdDT1, "4");
    EXPECT_TRUE(state.UnitText.isEmpty());
    EXPECT_EQ(readout.LCDC, "#"); // the form's caption, not reached
    EXPECT_EQ(readout.LCDDEW, "DEW POINT");
    EXPECT_EQ(state.HumidityText, "old");
    EXPECT_FLOAT_EQ(state.ChartValue, 12.5f);
}

TEST(DecodeFrameFailure, SignByteWithLetterStopsAfterTheTime) {
    TProgramState state;
    state.RxHex = Frame(4, 5, 3, 2, 3, 4, 0xD, 0);
    TReadout readout;
    try {
        DecodeFrame({".", false}, readout, state);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'D' is not a valid integer value"));
    }
    EXPECT_EQ(readout.LCDTime, "16:32");
    EXPECT_EQ(readout.LcdFH, "-"); // untouched
    EXPECT_TRUE(state.HumidityText.isEmpty());
}

TEST(DecodeFrameFailure, LetterInPlottedDigitsKeepsChartValue) {
    TProgramState state;
    state.RxHex = Frame(0xC, 5, 3, 2, 3, 4, 0, 0);
    state.ChartValue = 7.0f;
    TReadout readout;
    EXPECT_THROW(DecodeFrame({".", false}, readout, state), EConvertError);
    EXPECT_EQ(state.HumidityText, "C5.3%RH"); // set before the chart step
    EXPECT_FLOAT_EQ(state.ChartValue, 7.0f);
}

TEST(DecodeFrameFailure, AllBlankPlottedDigitsFail) {
    TProgramState state;
    state.RxHex = Frame(0xA, 0xA, 0xA, 2, 3, 4, 0, 0);
    TReadout readout;
    EXPECT_THROW(DecodeFrame({".", false}, readout, state), EConvertError);
}

TEST(DecodeFrameFailure, ShortOrEmptyFramesFail) {
    for (const QByteArray& rx : {QByteArray(), Frame(4, 5, 3, 2, 3, 4, 0, 0).left(32)}) {
        TProgramState state;
        state.RxHex = rx;
        TReadout readout;
        EXPECT_THROW(DecodeFrame({".", false}, readout, state), EConvertError) << rx.constData();
    }
}

} // namespace
