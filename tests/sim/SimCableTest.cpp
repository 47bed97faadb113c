#include "sim/SimSerialCable.h"

#include "link/ReportAssembly.h"
#include "link/UsbReports.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Reads the cable like the program does and counts what the reassembly makes of it.
struct TReading {
    TProgramState state;
    TReadout readout;
    std::vector<TReportOutcome> closes;
    int reports = 0;

    void DrainFrom(TSimSerialCable& cable) {
        while (std::optional<QByteArray> report = cable.WaitInputReport(0ms)) {
            ++reports;
            const auto* bytes = reinterpret_cast<const uint8_t*>(report->constData());
            TReportOutcome outcome =
                TakeInputReport(state, readout, bytes[0], {bytes + 1, size_t(report->size() - 1)});
            if (outcome.kind == TReportKind::FrameClose) {
                closes.push_back(outcome);
                FinishFrame(state, readout, outcome.endMarker);
            }
        }
    }
};

class SimCableTest : public ::testing::Test {
protected:
    void SetSpeed(uint32_t baud) { ASSERT_TRUE(cable.FeatureReport(BuildFeatureReport(baud))); }
    void Command(uint8_t command) {
        cable.OutputReport(BuildCommandReport(command, TSimSerialCable::kOutputReportLength));
    }

    TSimSerialCable cable;
    TReading reading;
};

TEST_F(SimCableTest, AnswersTheStartCommandWithOneFrameInReportsOf7And7And5) {
    SetSpeed(2400);
    Command(kLoggerStartCommand);
    ASSERT_EQ(cable.ReportsWaiting(), 4);
    std::vector<QByteArray> reports;
    while (auto report = cable.WaitInputReport(0ms))
        reports.push_back(*report);
    ASSERT_EQ(reports.size(), 4u);
    for (const QByteArray& report : reports)
        EXPECT_EQ(report.size(), TSimSerialCable::kInputReportLength);
    EXPECT_EQ(uint8_t(reports[0][1]), 0xF7);
    EXPECT_EQ(uint8_t(reports[1][1]), 0xF7);
    EXPECT_EQ(uint8_t(reports[2][1]), 0xF5);
    EXPECT_EQ(reports[2].mid(5, 2), "\r\n");
    EXPECT_EQ(reports[2].right(2), QByteArray(2, '\0')); // zero padding
    EXPECT_EQ(uint8_t(reports[3][1]), 0xF0);
    EXPECT_EQ(cable.FramesSent(), 1);
}

TEST_F(SimCableTest, FramesReassembleAndDecodeEachCommandTwo) {
    SetSpeed(2400);
    Command(kLoggerNextCommand); // not started yet
    reading.DrainFrom(cable);
    EXPECT_TRUE(reading.closes.empty());
    Command(kLoggerStartCommand);
    for (int i = 0; i < 5; ++i) {
        reading.DrainFrom(cable);
        Command(kLoggerNextCommand);
    }
    reading.DrainFrom(cable);
    ASSERT_EQ(reading.closes.size(), 6u);
    for (const TReportOutcome& close : reading.closes)
        EXPECT_TRUE(close.decode);
    EXPECT_EQ(cable.Commands(), (std::vector<uint8_t>{2, 0x5A, 2, 2, 2, 2, 2}));
}

struct SpeedCase {
    uint32_t baud;
    bool clean;
};

class SimCableSpeedTest : public SimCableTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(SimCableSpeedTest, OnlyTheLoggersSpeedGivesCleanBytes) {
    if (GetParam().baud != 0)
        SetSpeed(GetParam().baud);
    Command(kLoggerStartCommand);
    reading.DrainFrom(cable);
    ASSERT_EQ(reading.closes.size(), 1u);
    EXPECT_EQ(reading.closes[0].decode, GetParam().clean);
    EXPECT_EQ(reading.state.FrameText.size(), 19);
    EXPECT_EQ(cable.LineSpeed(), GetParam().baud);
}

INSTANTIATE_TEST_SUITE_P(Speeds, SimCableSpeedTest,
                         ::testing::Values(SpeedCase{2400, true}, SpeedCase{4800, false},
                                           SpeedCase{9600, false}, SpeedCase{0, false}));

TEST_F(SimCableTest, RecordsTheReportsItReceives) {
    SetSpeed(2400);
    cable.OutputReport(BuildOutputReport(0x02, 0x5A, 9)); // two bytes for the line: 5A 00
    EXPECT_EQ(cable.Commands(), (std::vector<uint8_t>{0x5A, 0x00}));
    EXPECT_EQ(cable.FeatureReports().at(0).toHex(' '), "00 60 09 00 00 03 00 00 00 00");
    EXPECT_EQ(cable.OutputReports().at(0).toHex(' '), "00 02 5a 00 00 00 00 00 00");
    EXPECT_FALSE(cable.FeatureReport(QByteArray(3, '\0')));
}

TEST_F(SimCableTest, DoesNotStartASecondAnswerWhileOneIsUnread) {
    SetSpeed(2400);
    Command(kLoggerStartCommand);
    Command(kLoggerNextCommand); // e.g. the disconnect request, then a reconnect
    Command(kLoggerStartCommand);
    reading.DrainFrom(cable);
    EXPECT_EQ(reading.closes.size(), 1u);
    EXPECT_EQ(cable.FramesSent(), 1);
}

TEST_F(SimCableTest, FrameBudgetAndSwitchingOff) {
    SetSpeed(2400);
    cable.SetFrameBudget(2);
    for (int i = 0; i < 4; ++i) {
        Command(i == 0 ? kLoggerStartCommand : kLoggerNextCommand);
        reading.DrainFrom(cable);
    }
    EXPECT_EQ(cable.FramesSent(), 2);
    cable.SetFrameBudget(-1);
    cable.SetLoggerOn(false);
    Command(kLoggerStartCommand);
    EXPECT_EQ(cable.ReportsWaiting(), 0);
    cable.SetLoggerOn(true);
    Command(kLoggerStartCommand);
    EXPECT_EQ(cable.FramesSent(), 3);
}

TEST_F(SimCableTest, FaultsReachTheProgram) {
    SetSpeed(2400);
    cable.InjectFault(TSimFrameFault::NoEndMarker);
    Command(kLoggerStartCommand);
    reading.DrainFrom(cable);
    ASSERT_EQ(reading.closes.size(), 1u);
    EXPECT_FALSE(reading.closes[0].decode);
    EXPECT_EQ(reading.closes[0].endMarker, "DD");
}

TEST_F(SimCableTest, InjectedReportsAreCounted) {
    cable.InjectEmptyReports(2999);
    reading.DrainFrom(cable);
    EXPECT_EQ(reading.state.EmptyReports, 2999);
    EXPECT_EQ(cable.ReportsDelivered(), 2999);
    cable.InjectReports({QByteArray::fromHex("F3313233")});
    reading.DrainFrom(cable);
    EXPECT_EQ(reading.state.RxHex, "313233");
    EXPECT_EQ(reading.state.EmptyReports, 0);
}

TEST_F(SimCableTest, ReplayedFramesThenSilence) {
    SetSpeed(2400);
    TSimRx47Logger source;
    source.Hear(kLoggerStartCommand, false);
    cable.SetReplayFrames({TSimRx47Logger::EncodeFrame(source.NextReading()),
                           TSimRx47Logger::EncodeFrame(source.NextReading())});
    Command(kLoggerStartCommand);
    for (int i = 0; i < 3; ++i) {
        reading.DrainFrom(cable);
        Command(kLoggerNextCommand);
    }
    EXPECT_EQ(reading.closes.size(), 2u);
    EXPECT_TRUE(cable.ReplayFinished());
}

TEST_F(SimCableTest, SilentInstantCableWaitsForTheTimeout) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(cable.WaitInputReport(20ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST_F(SimCableTest, AWaitingReaderWakesWhenTheLoggerAnswers) {
    SetSpeed(2400);
    std::optional<QByteArray> first;
    std::thread reader([&] { first = cable.WaitInputReport(30s); });
    Command(kLoggerStartCommand);
    reader.join();
    ASSERT_TRUE(first);
    EXPECT_EQ(uint8_t(first->at(1)), 0xF7);
}

TEST(SimCableRealTime, EmptyReportsAboutEvery12MsWhileSilent) {
    TSimSerialCable cable(TSimCablePacing::RealTime());
    const auto start = std::chrono::steady_clock::now();
    int empty = 0;
    while (empty < 10) {
        std::optional<QByteArray> report = cable.WaitInputReport(1s);
        ASSERT_TRUE(report);
        EXPECT_EQ(uint8_t(report->at(1)), 0xF0);
        ++empty;
    }
    // Never faster than the cable's pace (a loaded machine may be slower).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 9 * 12ms);
}

TEST(SimCableRealTime, AFrameIsNotSplitByEmptyReports) {
    TSimSerialCable cable(TSimCablePacing::RealTime());
    cable.FeatureReport(BuildFeatureReport(2400));
    cable.OutputReport(BuildCommandReport(kLoggerStartCommand, 9));
    TReading reading;
    while (reading.closes.empty()) {
        std::optional<QByteArray> report = cable.WaitInputReport(5s);
        ASSERT_TRUE(report);
        const auto* bytes = reinterpret_cast<const uint8_t*>(report->constData());
        TReportOutcome outcome =
            TakeInputReport(reading.state, reading.readout, bytes[0], {bytes + 1, 8});
        if (outcome.kind == TReportKind::FrameClose)
            reading.closes.push_back(outcome);
    }
    EXPECT_TRUE(reading.closes[0].decode);
}

} // namespace
