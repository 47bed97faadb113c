// The logging policy: record limit, sampling interval, repeat filter.

#include "records/LoggingPolicy.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// The policy's counters plus the numbers of the records it let through.
struct PolicyTest : ::testing::Test {
    int32_t recordNo = 1, recordCount = 0, recordLimit = 10000;
    QByteArray lastKey;
    int32_t countdown = 0;
    TLoggingState state{recordNo, recordCount, recordLimit, lastKey, countdown};
    TLoggingControls controls;
    std::vector<int32_t> recorded;

    TOfferOutcome Offer(const QByteArray& humidity = "45.3%RH") {
        const TReading reading{humidity, "05:59", "23.4", "#"};
        const TOfferOutcome outcome = OfferReading(state, controls, reading);
        if (outcome == TOfferOutcome::Record) {
            recorded.push_back(*MakeRecord(state, reading).No);
            RecordDone(state);
        }
        return outcome;
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            SamplingTick(state, controls.SamplingInterval);
    }
};

TEST_F(PolicyTest, RecordCarriesTheReadingInTheTablesFields) {
    const TRecord record =
        MakeRecord(state, {"45.3%RH", "05:59", "-23.4", "DEW?", 1'765'000'000'123});
    EXPECT_EQ(record.No, 1);
    EXPECT_EQ(record.Received, 1'765'000'000'123);
    EXPECT_EQ(record.TextOf(TField::Value), QByteArray("45.3%RH"));
    EXPECT_EQ(record.TextOf(TField::Time), QByteArray("05:59"));
    EXPECT_EQ(record.TextOf(TField::Range), QByteArray("-23.4"));
    EXPECT_EQ(record.TextOf(TField::Unit), QByteArray("DEW?"));
}

TEST_F(PolicyTest, LimitReachedStopsRecordingAndNumbering) {
    recordLimit = 3;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Offer(QByteArray::number(i)), TOfferOutcome::Record);
    EXPECT_EQ(Offer("x"), TOfferOutcome::LimitReached);
    EXPECT_EQ(recordNo, 4);
    EXPECT_EQ(recordCount, 3);
    ResetCounters(state);
    EXPECT_EQ(Offer("y"), TOfferOutcome::Record);
    EXPECT_EQ(recorded, (std::vector<int32_t>{1, 2, 3, 1}));
}

TEST_F(PolicyTest, LoweringTheLimitBelowTheCountStopsRecording) {
    Offer("a");
    Offer("b");
    recordLimit = 1;
    EXPECT_EQ(Offer("c"), TOfferOutcome::LimitReached);
}

TEST_F(PolicyTest, RepeatedReadingsLeaveGapsInNo) {
    controls.RepeatFilter = true;
    EXPECT_EQ(Offer("45.3%RH"), TOfferOutcome::Record);
    EXPECT_EQ(Offer("45.3%RH"), TOfferOutcome::Repeated);
    EXPECT_EQ(Offer("45.3%RH"), TOfferOutcome::Repeated);
    EXPECT_EQ(Offer("45.4%RH"), TOfferOutcome::Record);
    EXPECT_EQ(recorded, (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(recordCount, 2);
}

TEST_F(PolicyTest, RepeatKeyIsKeptWithTheFilterOffAndSurvivesAReset) {
    Offer("45.3%RH"); // filter off: the key is still remembered
    EXPECT_EQ(lastKey, QByteArray("45.3%RH23.4#"));
    ResetCounters(state);
    controls.RepeatFilter = true;
    EXPECT_EQ(Offer("45.3%RH"), TOfferOutcome::Repeated);
    EXPECT_EQ(recordNo, 2); // the dropped reading used up number 1
}

TEST_F(PolicyTest, RepeatComparisonIsExactAndCaseSensitive) {
    controls.RepeatFilter = true;
    Offer("45.3%rh");
    EXPECT_EQ(Offer("45.3%RH"), TOfferOutcome::Record);
}

TEST_F(PolicyTest, SamplingIntervalRecordsTheFirstReadingAfterTheCountdown) {
    controls.SamplingInterval = true;
    controls.IntervalText = "10";
    int second = 0;
    std::vector<int> recordedAt;
    for (; second < 35; ++second) { // one reading per second, the tick between readings
        if (Offer(QByteArray::number(second)) == TOfferOutcome::Record)
            recordedAt.push_back(second);
        Tick();
    }
    EXPECT_EQ(recordedAt, (std::vector<int>{0, 10, 20, 30}));
}

TEST_F(PolicyTest, CountdownStandsStillWhileTheIntervalIsOff) {
    controls.IntervalText = "5";
    Offer("a"); // interval unticked: recorded, but the countdown is loaded anyway
    EXPECT_EQ(countdown, 5);
    Tick(3);
    EXPECT_EQ(countdown, 5);
    controls.SamplingInterval = true;
    EXPECT_EQ(Offer("b"), TOfferOutcome::Waiting);
    Tick(5);
    EXPECT_EQ(countdown, 0);
    Tick();
    EXPECT_EQ(countdown, 0);
    EXPECT_EQ(Offer("c"), TOfferOutcome::Record);
}

TEST_F(PolicyTest, TickingTheIntervalBeforeAnyRecordRecordsAtOnce) {
    controls.SamplingInterval = true;
    controls.IntervalText = "10";
    EXPECT_EQ(Offer(), TOfferOutcome::Record);
}

TEST_F(PolicyTest, RepeatDropLeavesTheCountdownAlone) {
    controls.RepeatFilter = true;
    controls.IntervalText = "4";
    Offer("a");
    countdown = 2;
    EXPECT_EQ(Offer("a"), TOfferOutcome::Repeated);
    EXPECT_EQ(countdown, 2);
}

TEST_F(PolicyTest, EmptyOrSignOnlyIntervalRecordsEveryReading) {
    controls.SamplingInterval = true;
    for (const char* text : {"", "-", "+", "0"}) {
        controls.IntervalText = text;
        EXPECT_EQ(Offer(QByteArray("r") + text), TOfferOutcome::Record) << text;
        EXPECT_EQ(countdown, 0);
    }
}

TEST_F(PolicyTest, NegativeIntervalIsNeverCountedDown) {
    controls.SamplingInterval = true;
    controls.IntervalText = "-3";
    Offer("a");
    Tick(10);
    EXPECT_EQ(countdown, -3);
    EXPECT_EQ(Offer("b"), TOfferOutcome::Waiting);
}

TEST_F(PolicyTest, BadIntervalTextFailsAfterTheKeyAndBeforeTheCount) {
    controls.IntervalText = "1x";
    try {
        Offer("a");
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'1x' is not a valid integer value"));
    }
    EXPECT_EQ(lastKey, QByteArray("a23.4#"));
    EXPECT_EQ(recordCount, 0);
    EXPECT_EQ(recordNo, 1);
    EXPECT_TRUE(recorded.empty());
}

TEST(LoggingPolicy, KeyFilters) {
    for (char c = '0'; c <= '9'; ++c) {
        EXPECT_TRUE(IntervalKeyAllowed(c));
        EXPECT_TRUE(LimitKeyAllowed(c));
    }
    EXPECT_TRUE(IntervalKeyAllowed('\b'));
    EXPECT_TRUE(LimitKeyAllowed('\b'));
    for (char c : {'-', '+'}) {
        EXPECT_FALSE(IntervalKeyAllowed(c));
        EXPECT_TRUE(LimitKeyAllowed(c));
    }
    for (char c : {'a', ' ', '\r', '\n', '\t', '.', '\x1b', '\x7f'}) {
        EXPECT_FALSE(IntervalKeyAllowed(c)) << int(c);
        EXPECT_FALSE(LimitKeyAllowed(c)) << int(c);
    }
}

TEST(LoggingPolicy, MenuLimits) {
    std::vector<std::pair<std::string, int32_t>> items;
    for (const auto& item : kRecordLimitItems)
        items.emplace_back(item.caption, item.limit);
    EXPECT_EQ(items, (std::vector<std::pair<std::string, int32_t>>{{"1000", 1000},
                                                                   {"5000", 5000},
                                                                   {"10000", 10000},
                                                                   {"50000", 50000},
                                                                   {"100000", 100000},
                                                                   {"limitless", 10000000}}));
}

} // namespace
