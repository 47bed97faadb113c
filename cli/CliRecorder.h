#pragma once
// What `rx47-cli record` does with each decoded reading: the window's logging policy (record
// limit, sampling interval, repeat filter) over a record table of its own, and a sink that writes
// every record as it is taken.

#include "records/LoggingPolicy.h"
#include "records/RecordTable.h"

#include <QString>
#include <cstdint>

// Where the records go. Record runs once per appended record; Finish once at the end of the run
// with the whole table. Both return false with `error` set when the file could not be written.
class IRecordSink {
public:
    virtual ~IRecordSink() = default;
    // The number the run's first record takes: one past the last record of the file continued.
    virtual int32_t NextRecordNo() const { return 1; }
    // Records the file already holds that the run's table starts with (moved out of the sink).
    virtual void TakeExisting(TRecordTable& /*into*/) {}
    virtual bool Record(const TRecord& record, QString& error) = 0;
    virtual bool Finish(const TRecordTable& table, QString& error) = 0;
};

struct TRecorderSettings {
    int32_t limit = 10000;   // the window's limit at start-up
    bool interval = false;   // RecordSI ticked
    QByteArray intervalText; // RecordSITime
    bool repeat = false;     // RepeatSet ticked
};

class TCliRecorder {
public:
    TCliRecorder(const TRecorderSettings& settings, IRecordSink& sink);

    // One decoded reading (the texts and the LCDTime caption of its frame). Returns false when
    // the sink failed (error set).
    bool Offer(const TReading& reading, QString& error);
    // One second of the sampling countdown (the window's Trecord tick).
    void Tick();
    // No further reading can become a record.
    bool LimitReached() const { return recordCount_ >= settings_.limit; }

    const TRecordTable& Table() const { return table_; }
    int32_t RecordNo() const { return recordNo_; }

private:
    TLoggingState Counters();

    TRecorderSettings settings_;
    IRecordSink& sink_;
    TRecordTable table_;
    int32_t recordNo_ = 1;
    int32_t recordCount_ = 0;
    QByteArray lastRecordKey_;
    int32_t sampleCountdown_ = 0;
};
