// Framing of the serial meter's bytes and the logger frame that carries a serial reading.

#include "link/SerialFramer.h"

#include "link/FrameDecoder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<TSerialFrame> Feed(QByteArray& digits, const QByteArray& bytes) {
    std::vector<TSerialFrame> frames;
    for (char byte : bytes) {
        if (auto frame = FeedSerialByte(digits, uint8_t(byte)))
            frames.push_back(*frame);
    }
    return frames;
}

struct TFrameCase {
    const char* name;
    QByteArray stream;
    std::vector<QByteArray> frameTexts;
    std::vector<bool> accepted;
    QByteArray leftOver; // SerialDigits after the stream
};

class SerialFramerTest : public ::testing::TestWithParam<TFrameCase> {};

TEST_P(SerialFramerTest, ClosesFramesAtCarriageReturns) {
    const TFrameCase& c = GetParam();
    QByteArray digits;
    const std::vector<TSerialFrame> frames = Feed(digits, c.stream);
    ASSERT_EQ(frames.size(), c.frameTexts.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].FrameText, c.frameTexts[i]) << i;
        EXPECT_EQ(frames[i].Accepted, c.accepted[i]) << i;
        EXPECT_EQ(frames[i].Digits, c.accepted[i] ? frames[i].FrameText.left(9) : QByteArray())
            << i;
    }
    EXPECT_EQ(digits, c.leftOver);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SerialFramerTest,
    ::testing::Values(
        TFrameCase{"MeterFrame", "\n123456789\r", {"123456789DA"}, {true}, ""},
        // Without the leading line feed: ten digits, and neither "A" first nor an eleventh digit.
        TFrameCase{"NoLineFeed", "123456789\r", {"23456789DDA"}, {false}, ""},
        TFrameCase{"TwoFrames",
                   "\n123456789\r\n987654321\r",
                   {"123456789DA", "987654321DA"},
                   {true, true},
                   ""},
        // "=" has the low digit D but is no frame end.
        TFrameCase{"EqualsSignIsNoEnd", "\n1234=6789\r", {"1234D6789DA"}, {true}, ""},
        // Joined in the middle: one rejected frame, then aligned.
        TFrameCase{"JoinedMidFrame",
                   "789\r\n123456789\r\n12",
                   {"89DDA", "123456789DA"},
                   {false, true},
                   "A12"},
        TFrameCase{"LoneCarriageReturn", "\r", {"DA"}, {false}, ""},
        TFrameCase{"HighBitsDoNotCount",
                   "\x8A\xF1\x42\x33\x54\x65\x76\x07\x18\x29\r",
                   {"123456789DA"},
                   {true},
                   ""},
        // Twelve bytes: the eleventh digit is "9", not "D".
        TFrameCase{"TooLong", "\n1234567899\r", {"123456789DA"}, {false}, ""},
        TFrameCase{"Unfinished", "\n1234", {}, {}, "A1234"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SerialFramer, SplitAnywhereGivesTheSameFrames) {
    const QByteArray stream = "\n123456789\r\n987654321\r";
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        QByteArray digits;
        std::vector<TSerialFrame> frames = Feed(digits, stream.left(cut));
        for (const TSerialFrame& frame : Feed(digits, stream.mid(cut)))
            frames.push_back(frame);
        ASSERT_EQ(frames.size(), 2u) << cut;
        EXPECT_EQ(frames[0].Digits, "123456789") << cut;
        EXPECT_EQ(frames[1].Digits, "987654321") << cut;
    }
}

TEST(SerialFramer, ALineWithoutCarriageReturnsKeepsBoundedDigits) {
    QByteArray digits;
    EXPECT_TRUE(Feed(digits, QByteArray(100000, '\n')).empty());
    EXPECT_EQ(digits.size(), kMaxSerialDigits);
    const std::vector<TSerialFrame> frames = Feed(digits, "\r\n123456789\r");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(frames[0].Accepted);
    EXPECT_EQ(frames[0].FrameText, "AAAAAAAAADA");
    EXPECT_TRUE(frames[1].Accepted);
}

TEST(SerialFrameLayout, IsALoggerFrameWithTheDigitsInPlace) {
    const QByteArray rx = SerialDigitsToRxHex("123456789");
    ASSERT_EQ(rx.size(), 38); // 19 bytes
    const auto byte = [&](int k) { return rx.mid(2 * (k - 1), 2); };
    EXPECT_EQ(byte(2), "31");
    EXPECT_EQ(byte(4), "33");
    EXPECT_EQ(byte(5), "34");
    EXPECT_EQ(byte(7), "36");
    EXPECT_EQ(byte(8), "37");  // sign
    EXPECT_EQ(byte(14), "38"); // unit and dew point
    EXPECT_EQ(byte(16), "00"); // no time
    EXPECT_EQ(byte(17), "00");
    EXPECT_EQ(byte(18), "0D");
    EXPECT_EQ(byte(19), "0A");
}

struct TSerialReadingCase {
    const char* name;
    QByteArray digits;
    QByteArray humidity, temperature, unit, time;
    float chartValue; // humidity plotted
};

class SerialReadingTest : public ::testing::TestWithParam<TSerialReadingCase> {};

TEST_P(SerialReadingTest, DecodesThroughTheLoggerDecoder) {
    const TSerialReadingCase& c = GetParam();
    TProgramState state;
    state.RxHex = SerialDigitsToRxHex(c.digits);
    TReadout readout;
    DecodeFrame({".", false}, readout, state);
    EXPECT_EQ(state.HumidityText, c.humidity);
    EXPECT_EQ(state.TemperatureText, c.temperature);
    EXPECT_EQ(state.UnitText, c.unit);
    EXPECT_EQ(readout.LCDTime, c.time);
    EXPECT_FLOAT_EQ(state.ChartValue, c.chartValue);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, SerialReadingTest,
    ::testing::Values(
        TSerialReadingCase{"Plain", "453234000", "45.3%RH", "23.4", "#", "00:00", 45.3f},
        TSerialReadingCase{"NegativeDewPoint", "A53234110", "5.3%RH", "-23.4", "DEW#", "00:00",
                           5.3f},
        TSerialReadingCase{"Fahrenheit", "453712020", "45.3%RH", "71.2", "?", "00:00", 45.3f},
        TSerialReadingCase{"NoHumidity", "AB0234000", "----", "23.4", "#", "00:00", 0.0f},
        TSerialReadingCase{"MeterExample", "123456789", "12.3%RH", "45.6", "?", "00:00", 12.3f}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
