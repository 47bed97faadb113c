#pragma once
// The program state that the link, the decoder, the record table and the displays share. It lives
// as long as the window and is touched on the event thread only. Texts are 8-bit strings.

#include <QByteArray>
#include <cstdint>

struct TProgramState {
    QByteArray RxHex;           // payload of the frame being received, two hex digits per byte
    QByteArray FrameText;       // the last closed frame, one hex digit (the low one) per byte
    QByteArray HumidityText;    // e.g. "45.3%RH" or "----"
    QByteArray TemperatureText; // e.g. "-23.4"
    QByteArray UnitText;        // "#", "?", "DEW#", "DEW?"
    float ChartValue = 0.0f;    // value of the reading to plot
    int32_t RecordNo = 0;       // number given to the next record (1 after start-up)
    int32_t RecordCount = 0;    // records appended since the last reset
    int32_t RecordLimit = 0;    // largest number of records per table (10000 after start-up)
    int32_t LinkTicks = 0;      // link-timer ticks since the last link check or decoded frame
    int32_t EmptyReports = 0;   // input reports without payload since the last payload report
    bool FramePending = false;  // payload has arrived since the last frame was closed
};
