#include "sim/SimRx47Logger.h"

#include "base/Exceptions.h"
#include "link/FrameDecoder.h"

#include <gtest/gtest.h>
#include <set>

namespace {

// Decodes a frame the way the program does.
struct TDecoded {
    TReadout readout;
    TProgramState state;
};

TDecoded Decode(const QByteArray& frame) {
    TDecoded decoded;
    decoded.state.RxHex = frame.toHex().toUpper();
    for (qsizetype k = 1; k <= 20 && 2 * k <= decoded.state.RxHex.size(); ++k)
        decoded.state.FrameText.append(decoded.state.RxHex[2 * k - 1]);
    DecodeFrame({".", false}, decoded.readout, decoded.state);
    return decoded;
}

TEST(SimLogger, AnswersOnlyAfterTheStartCommand) {
    TSimRx47Logger logger;
    EXPECT_FALSE(logger.Hear(kLoggerNextCommand));
    EXPECT_FALSE(logger.Hear(0x03));
    EXPECT_TRUE(logger.Hear(kLoggerStartCommand));
    EXPECT_TRUE(logger.Hear(kLoggerNextCommand));
    EXPECT_FALSE(logger.Hear(0x00));
    EXPECT_FALSE(logger.Hear(kLoggerNextCommand, false)); // busy: heard, not answered
    EXPECT_TRUE(logger.Hear(kLoggerNextCommand));
}

TEST(SimLogger, SwitchedOffItIsSilentAndThenWaitsForTheStartCommand) {
    TSimRx47Logger logger;
    logger.Hear(kLoggerStartCommand);
    logger.SetPowered(false);
    EXPECT_FALSE(logger.Hear(kLoggerStartCommand));
    EXPECT_FALSE(logger.Hear(kLoggerNextCommand));
    logger.SetPowered(true);
    EXPECT_FALSE(logger.Hear(kLoggerNextCommand));
    EXPECT_TRUE(logger.Hear(kLoggerStartCommand));
}

TEST(SimLogger, FrameLayout) {
    TSimReading reading;
    reading.humidityTenths = 53;
    reading.temperatureTenths = -234;
    reading.minutes = 5;
    reading.seconds = 59;
    const QByteArray frame = TSimRx47Logger::EncodeFrame(reading);
    EXPECT_EQ(frame.toHex(' ').toUpper(),
              "02 3A 35 33 32 33 34 31 30 30 30 30 30 30 30 05 3B 0D 0A");
    const TDecoded decoded = Decode(frame);
    EXPECT_EQ(decoded.state.HumidityText, "5.3%RH");
    EXPECT_EQ(decoded.state.TemperatureText, "-23.4");
    EXPECT_EQ(decoded.state.UnitText, "#");
    EXPECT_EQ(decoded.readout.LCDTime, "05:59");
}

TEST(SimLogger, MissingReadingsAndDewPointDecode) {
    TSimReading reading;
    reading.humidityMissing = true;
    reading.dewPoint = true;
    TDecoded decoded = Decode(TSimRx47Logger::EncodeFrame(reading));
    EXPECT_EQ(decoded.state.HumidityText, "----");
    EXPECT_EQ(decoded.state.UnitText, "DEW#");
    reading = {};
    reading.temperatureMissing = true;
    decoded = Decode(TSimRx47Logger::EncodeFrame(reading));
    EXPECT_EQ(decoded.state.TemperatureText, "--.-");
}

TEST(SimLogger, ReadingsDriftPlausiblyAndTheClockAdvances) {
    TSimRx47Logger logger(7);
    logger.Hear(kLoggerStartCommand);
    int missing = 0, dew = 0;
    std::set<QByteArray> humidities;
    for (int i = 0; i < 2000; ++i) {
        const std::optional<QByteArray> frame = logger.Hear(kLoggerNextCommand);
        ASSERT_TRUE(frame);
        ASSERT_EQ(frame->size(), kLoggerFrameSize);
        EXPECT_EQ(frame->right(2), "\r\n");
        EXPECT_EQ(uint8_t(frame->at(15)), ((i + 1) / 60) % 60); // the start command had reading 0
        EXPECT_EQ(uint8_t(frame->at(16)), (i + 1) % 60);
        const TDecoded decoded = Decode(*frame); // every generated frame decodes
        if (decoded.state.HumidityText == "----" || decoded.readout.LcdDT2 == "-")
            ++missing;
        else
            humidities.insert(decoded.state.HumidityText);
        if (decoded.state.UnitText.startsWith("DEW"))
            ++dew;
    }
    EXPECT_GT(missing, 10);
    EXPECT_LT(missing, 200);
    EXPECT_GT(dew, 20);
    EXPECT_LT(dew, 1000);
    EXPECT_GT(humidities.size(), 20u);
}

TEST(SimLogger, SameSeedSameFrames) {
    TSimRx47Logger a(3), b(3), c(4);
    for (TSimRx47Logger* logger : {&a, &b, &c})
        logger->Hear(kLoggerStartCommand);
    bool differs = false;
    for (int i = 0; i < 50; ++i) {
        const QByteArray fa = *a.Hear(kLoggerNextCommand);
        EXPECT_EQ(fa, *b.Hear(kLoggerNextCommand));
        differs |= fa != *c.Hear(kLoggerNextCommand);
    }
    EXPECT_TRUE(differs);
}

TEST(SimLogger, FaultsApplyToTheNextFrames) {
    TSimRx47Logger logger;
    logger.InjectFault(TSimFrameFault::NoEndMarker);
    logger.InjectFault(TSimFrameFault::Undecodable);
    const QByteArray noMarker = *logger.Hear(kLoggerStartCommand);
    EXPECT_EQ(noMarker.right(2), "\r\r");
    const QByteArray undecodable = *logger.Hear(kLoggerNextCommand);
    EXPECT_THROW(Decode(undecodable), EConvertError);
    EXPECT_NO_THROW(Decode(*logger.Hear(kLoggerNextCommand)));
}

TEST(SimLogger, ReplayAnswersWithTheRecordedFramesThenFallsSilent) {
    TSimRx47Logger logger;
    logger.SetReplay({"one", "two"});
    EXPECT_FALSE(logger.ReplayFinished());
    EXPECT_EQ(logger.Hear(kLoggerStartCommand), "one");
    EXPECT_EQ(logger.Hear(kLoggerNextCommand), "two");
    EXPECT_TRUE(logger.ReplayFinished());
    EXPECT_FALSE(logger.Hear(kLoggerNextCommand));
    EXPECT_FALSE(logger.Hear(kLoggerStartCommand));
}

} // namespace
