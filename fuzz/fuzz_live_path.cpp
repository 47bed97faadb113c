// Fuzzes the live USB path without widgets: input reports of any length and content go through
// the reassembly, the frame decoder and the logging policy into the record table and the chart,
// as the window's data handler does. After every report the shared state must be consistent, and
// nothing may grow with the length of the stream.
//
// Input: three control bytes, then reports. Control bytes: [0] bit 0 sampling interval, bit 1
// repeat filter, bit 2 plot temperature, bit 3 empty decimal separator; [1] the interval in
// seconds (low 3 bits); [2] the record limit (1 + value). Each report is a header byte (low 4
// bits: data length 0-15; bit 4: a Trecord tick first; bit 5: report ID 1 instead of 0) and its
// data bytes.

#include "base/Exceptions.h"
#include "display/ChartData.h"
#include "display/TChartControl.h"
#include "link/FrameDecoder.h"
#include "link/ReportAssembly.h"
#include "records/LoggingPolicy.h"
#include "records/RecordTable.h"

#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

// Aborts with the failed condition's line, for the artifact's diagnosis.
void Check(bool condition, int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "live path inconsistent: check at line %d\n", line);
        std::abort();
    }
}

struct TLivePath {
    TProgramState state;
    TReadout readout;
    QByteArray lastRecordKey;
    int32_t sampleCountdown = 0;
    TRecordTable table;
    TChartData chartData{2};
    TChartControl chart{chartData, 50};
    TDecodeSettings settings;
    TLoggingControls controls;
    int32_t lastNo = 0;
    int64_t chartPointsBefore = 0;

    TLoggingState Counters() {
        return {state.RecordNo, state.RecordCount, state.RecordLimit, lastRecordKey,
                sampleCountdown};
    }

    // The window's USBRData without the trace list, the commands and the labels.
    void Take(uint8_t reportId, std::span<const uint8_t> data) {
        const TReportOutcome outcome = TakeInputReport(state, readout, reportId, data);
        if (outcome.kind != TReportKind::FrameClose)
            return;
        if (outcome.decode) {
            try {
                DecodeFrame(settings, readout, state);
            } catch (const TException&) {
                return; // the link goes down; the failed frame stays pending as it is
            }
            Offer();
        }
        FinishFrame(state, readout, outcome.endMarker);
    }

    void Offer() {
        TLoggingState counters = Counters();
        const TReading reading{state.HumidityText, readout.LCDTime, state.TemperatureText,
                               state.UnitText};
        LogReading(counters, controls, reading, table,
                   [this] { chart.AddPoint(state.ChartValue); });
    }

    void CheckConsistent() {
        const int64_t count = table.Count();
        Check(count == state.RecordCount);
        Check(count <= state.RecordLimit);
        Check(state.RecordNo >= count + 1);
        if (count > 0) {
            const std::optional<int32_t> newest = table.NoAt(count - 1);
            Check(newest.has_value() && *newest < state.RecordNo);
        }
        // One placeholder and one point per record in the plotted series.
        Check(chartData.PointCount(0) == count + 1);
        Check(chart.PageCount() >= 1 && chart.Page() >= 0 && chart.Page() <= chart.PageCount());
        // Only the capped frame buffer may hold what a hostile stream sends.
        Check(state.RxHex.size() <= 2 * kMaxFramePayload);
        Check(state.FrameText.size() <= 20);
        Check(readout.USBtxt1.size() <= 2 * kMaxFramePayload || readout.USBtxt1 == "6001");
        Check(readout.USBtxt.size() <= 20 || readout.USBtxt == "6001");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 3)
        return 0;
    TLivePath path;
    path.state.RecordNo = 1;
    path.state.RecordLimit = 1 + bytes[2];
    path.controls.SamplingInterval = bytes[0] & 1;
    path.controls.RepeatFilter = bytes[0] & 2;
    path.settings.PlotTemperature = bytes[0] & 4;
    path.settings.DecimalSep = (bytes[0] & 8) ? QByteArray() : QByteArray(".");
    path.controls.IntervalText = QByteArray::number(bytes[1] & 7);

    size_t at = 3;
    while (at < size) {
        const uint8_t header = bytes[at++];
        const size_t length = std::min<size_t>(header & 0x0F, size - at);
        if (header & 0x10) {
            TLoggingState counters = path.Counters();
            SamplingTick(counters, path.controls.SamplingInterval);
        }
        path.Take((header & 0x20) ? 1 : 0, std::span<const uint8_t>(bytes + at, length));
        at += length;
        path.CheckConsistent();
    }
    // Every record is numbered above the one before it.
    for (int64_t row = 1; row < path.table.Count(); ++row)
        Check(*path.table.NoAt(row - 1) < *path.table.NoAt(row));
    return 0;
}
