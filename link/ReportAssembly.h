#pragma once
// Reassembly of the cable's input reports into logger frames. Pure logic over the program state;
// the window's data handler (USBRData) applies the outcome to its controls.
//
// An input report as the device delivers it: the report ID, then Size data bytes:
//   data[0]      count byte; its low hex digit "1"-"9" is the number n of payload bytes that
//                follow, "0" and "A"-"F" mean no payload (the high digit is ignored)
//   data[1..n]   payload, in the order the logger sent it
//   the rest     ignored
// The payload of consecutive payload reports forms one frame; the first report without payload
// closes it. A frame keeps at most kMaxFramePayload bytes: a cable that never closes its frame
// (an endless stream of payload reports) must not fill the memory, and only the first 20 bytes
// are ever decoded.

#include "base/ProgramState.h"
#include "link/Readout.h"

#include <cstdint>
#include <span>

inline constexpr qsizetype kMaxFramePayload = 64; // a logger frame has 19

// "R %.2x  " with the report ID, then "%.2x " per data byte: the line the trace list shows.
QByteArray ReportTraceText(uint8_t reportId, std::span<const uint8_t> data);

enum class TReportKind {
    Payload,    // payload appended to RxHex; the trace line goes to the trace list
    FrameClose, // a pending frame was closed: see decode and endMarker
    Idle,       // no payload and nothing pending (or a report without data)
};

struct TReportOutcome {
    TReportKind kind = TReportKind::Idle;
    QByteArray traceLine; // Payload only
    QByteArray endMarker; // FrameClose only: characters 18-19 of FrameText
    bool decode = false;  // FrameClose with the end marker "DA": decode, then ask for the next one
};

// Takes one input report: counts reports without payload in EmptyReports, appends payload to
// RxHex, and on the first report without payload after some payload builds FrameText and shows
// RxHex in USBtxt1. After a FrameClose the caller decodes when asked to, then calls
// FinishFrame; an Idle outcome needs nothing more.
TReportOutcome TakeInputReport(TProgramState& state, TReadout& readout, uint8_t reportId,
                               std::span<const uint8_t> data);

// The end of a frame close: USBtxt shows the end marker, RxHex is emptied, nothing is pending.
// Not called when the decode failed, so the failed frame stays visible.
void FinishFrame(TProgramState& state, TReadout& readout, const QByteArray& endMarker);
