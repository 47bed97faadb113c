#include "link/ReportAssembly.h"

#include "link/HexText.h"

QByteArray ReportTraceText(uint8_t reportId, std::span<const uint8_t> data) {
    QByteArray text;
    text.reserve(6 + 3 * qsizetype(data.size()));
    text.append("R ");
    AppendHexByte(text, reportId);
    text.append("  ");
    for (const uint8_t byte : data) {
        AppendHexByte(text, byte);
        text.append(' ');
    }
    return text;
}

TReportOutcome TakeInputReport(TProgramState& state, TReadout& readout, uint8_t reportId,
                               std::span<const uint8_t> data) {
    TReportOutcome outcome;
    // The count byte's low digit; a report without data bytes has none and is not counted.
    if (!data.empty()) {
        ++state.EmptyReports;
        const unsigned count = data[0] & 0x0F;
        if (count >= 1 && count <= 9) {
            state.EmptyReports = 0;
            state.FramePending = true;
            // Announced bytes beyond the end of the report add nothing, nor bytes beyond the
            // frame's cap.
            const size_t available = std::min<size_t>(count, data.size() - 1);
            for (size_t b = 1; b <= available && state.RxHex.size() < 2 * kMaxFramePayload; ++b)
                AppendHexByte(state.RxHex, data[b]);
            outcome.kind = TReportKind::Payload;
            outcome.traceLine = ReportTraceText(reportId, data);
            return outcome;
        }
    }
    if (!state.FramePending)
        return outcome;

    // Frame close: the low digit of each of the first 20 payload bytes.
    state.FrameText.clear();
    for (qsizetype k = 1; k <= 20 && 2 * k <= state.RxHex.size(); ++k)
        state.FrameText.append(state.RxHex[2 * k - 1]);
    readout.USBtxt1 = state.RxHex;
    outcome.kind = TReportKind::FrameClose;
    outcome.endMarker = state.FrameText.mid(17, 2);
    outcome.decode = outcome.endMarker == "DA";
    return outcome;
}

void FinishFrame(TProgramState& state, TReadout& readout, const QByteArray& endMarker) {
    readout.USBtxt = endMarker;
    state.RxHex.clear();
    state.FramePending = false;
}
