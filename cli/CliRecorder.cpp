#include "cli/CliRecorder.h"

TCliRecorder::TCliRecorder(const TRecorderSettings& settings, IRecordSink& sink)
    : settings_(settings), sink_(sink) {
    sink_.TakeExisting(table_);
    recordNo_ = sink_.NextRecordNo();
}

TLoggingState TCliRecorder::Counters() {
    return {recordNo_, recordCount_, settings_.limit, lastRecordKey_, sampleCountdown_};
}

bool TCliRecorder::Offer(const TReading& reading, QString& error) {
    TLoggingState counters = Counters();
    const TLoggingControls controls{settings_.interval, settings_.repeat, settings_.intervalText};
    if (OfferReading(counters, controls, reading) != TOfferOutcome::Record)
        return true;
    TReading received = reading;
    if (received.Received == kNoReceivedTime)
        received.Received = ReceivedNow();
    table_.Append(MakeRecord(counters, received));
    RecordDone(counters);
    // The sink writes the record as the table holds it (texts cut to the field width).
    return sink_.Record(table_.At(table_.Count() - 1), error);
}

void TCliRecorder::Tick() {
    TLoggingState counters = Counters();
    SamplingTick(counters, settings_.interval);
}
