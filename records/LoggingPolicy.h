#pragma once
// Whether an offered reading becomes a record: the record limit, the sampling interval and the
// repeat filter, and the counters they keep. Pure logic over the program's state; the window
// reads its check boxes and edit texts into TLoggingControls and makes the table and chart calls.

#include "records/RecordTable.h"

#include <QByteArray>
#include <cstdint>
#include <functional>

// The counters the policy reads and writes; they live in the window and its program state.
struct TLoggingState {
    int32_t& RecordNo;    // number of the next record
    int32_t& RecordCount; // records appended since the last reset
    const int32_t& RecordLimit;
    QByteArray& LastRecordKey; // humidity + temperature + unit of the last record (survives New)
    int32_t& SampleCountdown;  // seconds still to wait while the sampling interval is on
};

struct TLoggingControls {
    bool SamplingInterval = false; // RecordSI ticked
    bool RepeatFilter = false;     // RepeatSet ticked
    QByteArray IntervalText;       // text of RecordSITime
};

struct TReading {
    QByteArray Humidity, Time, Temperature, Unit;
    TReceivedTime Received = kNoReceivedTime; // when the program received it (ReceivedNow())
};

enum class TOfferOutcome {
    LimitReached, // nothing changes
    Waiting,      // sampling interval not over: nothing changes
    Repeated,     // same as the last record: the number is used up, nothing recorded
    Record,       // appended to the table under the number RecordNo, which then counts on
};

// The sampling interval of an edit text: "-", "+" and "" give 0, anything else must be a decimal
// integer (EConvertError otherwise).
int32_t SampleInterval(const QByteArray& text);

// Steps up to the append: limit, sampling wait, repeat filter, then the key, the countdown reload
// and the count. A bad interval text raises EConvertError after LastRecordKey changed and before
// anything is counted.
TOfferOutcome OfferReading(TLoggingState& state, const TLoggingControls& controls,
                           const TReading& reading);
// The record for the reading, numbered with RecordNo, with the reading's received time.
TRecord MakeRecord(const TLoggingState& state, const TReading& reading);

// A reading's whole way into the table, as every recorder takes it: the policy, then for a
// record the append to `table` (its number is RecordNo), `plot` (the chart point), and the next
// number; `beforeAppend` sees the record just before the table takes it (the window journals it
// there, so that a record the table shows is always in the journal). A bad interval text raises
// EConvertError as OfferReading does, before anything is appended.
TOfferOutcome LogReading(TLoggingState& state, const TLoggingControls& controls,
                         const TReading& reading, TRecordTable& table,
                         const std::function<void()>& plot = {},
                         const std::function<void(const TRecord&)>& beforeAppend = {});

// One Trecord tick.
void SamplingTick(TLoggingState& state, bool samplingInterval);
// The table reset's counters: RecordNo 1, RecordCount 0 (LastRecordKey and the countdown stay).
void ResetCounters(TLoggingState& state);

// Key filters: whether a typed character passes (backspace is "\b").
bool IntervalKeyAllowed(char key); // "0"-"9", backspace
bool LimitKeyAllowed(char key);    // "0"-"9", backspace, "+", "-"

// The "Record" menu's limits, in menu order.
struct TRecordLimitItem {
    const char* caption;
    int32_t limit;
};
constexpr TRecordLimitItem kRecordLimitItems[] = {
    {"1000", 1000},   {"5000", 5000},     {"10000", 10000},
    {"50000", 50000}, {"100000", 100000}, {"limitless", 10000000}, // ten million, not unbounded
};
