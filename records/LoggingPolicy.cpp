#include "records/LoggingPolicy.h"

#include "base/Conversion.h"

int32_t SampleInterval(const QByteArray& text) {
    return StrToIntOrZero(text);
}

TOfferOutcome OfferReading(TLoggingState& state, const TLoggingControls& controls,
                           const TReading& reading) {
    if (state.RecordCount >= state.RecordLimit)
        return TOfferOutcome::LimitReached;
    if (controls.SamplingInterval && state.SampleCountdown != 0)
        return TOfferOutcome::Waiting;
    const QByteArray key = reading.Humidity + reading.Temperature + reading.Unit;
    if (controls.RepeatFilter && key == state.LastRecordKey) {
        ++state.RecordNo;
        return TOfferOutcome::Repeated;
    }
    state.LastRecordKey = key;
    state.SampleCountdown = SampleInterval(controls.IntervalText);
    ++state.RecordCount;
    return TOfferOutcome::Record;
}

TRecord MakeRecord(const TLoggingState& state, const TReading& reading) {
    // Fields are looked up by name without regard to case, as the table's users write them.
    TRecord record;
    const auto set = [&](const char* name, const QByteArray& text) {
        record.TextOf(*FindField(name)) = text;
    };
    set("value", reading.Humidity);
    set("time", reading.Time);
    record.No = state.RecordNo;
    set("DC/AC", reading.Temperature);
    set("unit", reading.Unit);
    record.Received = reading.Received;
    return record;
}

TOfferOutcome LogReading(TLoggingState& state, const TLoggingControls& controls,
                         const TReading& reading, TRecordTable& table,
                         const std::function<void()>& plot,
                         const std::function<void(const TRecord&)>& beforeAppend) {
    const TOfferOutcome outcome = OfferReading(state, controls, reading);
    if (outcome != TOfferOutcome::Record)
        return outcome;
    const TRecord record = MakeRecord(state, reading);
    if (beforeAppend)
        beforeAppend(record);
    table.Append(record);
    if (plot)
        plot();
    ++state.RecordNo;
    return outcome;
}

void SamplingTick(TLoggingState& state, bool samplingInterval) {
    if (samplingInterval && state.SampleCountdown > 0)
        --state.SampleCountdown;
}

void ResetCounters(TLoggingState& state) {
    state.RecordNo = 1;
    state.RecordCount = 0;
}

bool IntervalKeyAllowed(char key) {
    return (key >= '0' && key <= '9') || key == '\b';
}

bool LimitKeyAllowed(char key) {
    return IntervalKeyAllowed(key) || key == '+' || key == '-';
}
