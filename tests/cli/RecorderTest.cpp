// The record command's recorder: the window's logging policy over its own table, each record
// handed to the sink as it is taken.

#include "cli/CliRecorder.h"

#include <gtest/gtest.h>

namespace {

class TMemorySink : public IRecordSink {
public:
    bool Record(const TRecord& record, QString& error) override {
        if (failNext) {
            error = "disk full";
            return false;
        }
        numbers.push_back(*record.No);
        last = record;
        return true;
    }
    bool Finish(const TRecordTable&, QString&) override { return true; }
    std::vector<int32_t> numbers;
    TRecord last;
    bool failNext = false;
};

TReading Reading(const char* humidity) {
    return {humidity, "10:20", "23.4", "#"};
}

TEST(CliRecorder, RepeatFilterLeavesGapsAndLimitEndsRecording) {
    TMemorySink sink;
    TRecorderSettings settings;
    settings.limit = 3;
    settings.repeat = true;
    TCliRecorder recorder(settings, sink);
    QString error;
    for (const char* h : {"45.3%RH", "45.3%RH", "45.3%RH", "45.4%RH", "45.5%RH", "45.6%RH"})
        ASSERT_TRUE(recorder.Offer(Reading(h), error));
    EXPECT_EQ(sink.numbers, (std::vector<int32_t>{1, 4, 5}));
    EXPECT_TRUE(recorder.LimitReached());
    EXPECT_EQ(recorder.Table().Count(), 3);
    EXPECT_EQ(sink.last, recorder.Table().At(2));
    EXPECT_EQ(sink.last.TextOf(TField::Value), QByteArray("45.5%RH"));
    EXPECT_EQ(sink.last.TextOf(TField::Time), QByteArray("10:20"));
}

TEST(CliRecorder, StampsEachRecordWithTheMomentItWasTaken) {
    TMemorySink sink;
    TCliRecorder recorder(TRecorderSettings{}, sink);
    QString error;
    const TReceivedTime before = ReceivedNow();
    ASSERT_TRUE(recorder.Offer(Reading("45.3%RH"), error));
    const TReceivedTime after = ReceivedNow();
    EXPECT_GE(sink.last.Received, before);
    EXPECT_LE(sink.last.Received, after);
    EXPECT_EQ(recorder.Table().ReceivedAt(0), sink.last.Received);
}

TEST(CliRecorder, SamplingIntervalWaitsForTheTicks) {
    TMemorySink sink;
    TRecorderSettings settings;
    settings.interval = true;
    settings.intervalText = "2";
    TCliRecorder recorder(settings, sink);
    QString error;
    recorder.Offer(Reading("1"), error); // recorded at once, the countdown starts at 2
    recorder.Offer(Reading("2"), error);
    recorder.Tick();
    recorder.Offer(Reading("3"), error);
    recorder.Tick();
    recorder.Offer(Reading("4"), error); // countdown over
    EXPECT_EQ(sink.numbers, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(sink.last.TextOf(TField::Value), QByteArray("4"));
}

TEST(CliRecorder, SinkFailureIsReported) {
    TMemorySink sink;
    TCliRecorder recorder({}, sink);
    sink.failNext = true;
    QString error;
    EXPECT_FALSE(recorder.Offer(Reading("1"), error));
    EXPECT_EQ(error, "disk full");
}

} // namespace
