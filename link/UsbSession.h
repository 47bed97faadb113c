#pragma once
// One link to the interface cable without a window: what Connect does, step for step. The
// feature report sets the line to 2400 baud, command 90 starts the logger, input reports are
// reassembled into frames, each frame with the end marker is decoded and answered with command 2,
// and the watchdog (run every 10 ms) gives up after 3000 reports without payload. Disconnect sends
// command 2 and stops the device's reader.
//
// Everything runs on the event thread. The callbacks run inside the device's delivery; they may
// call Disconnect there (the reader then stops once the delivery has returned), but must not
// delete the session or its device.

#include "app/ProgramState.h"
#include "link/FrameDecoder.h"
#include "link/Readout.h"
#include "records/LoggingPolicy.h"

#include <QString>
#include <QTimer>
#include <functional>

class THidDevice;

inline constexpr uint32_t kLoggerLineBaudRate = 2400;

class TUsbSession {
public:
    TUsbSession(THidDevice& device, const TDecodeSettings& settings);
    ~TUsbSession();
    TUsbSession(const TUsbSession&) = delete;
    TUsbSession& operator=(const TUsbSession&) = delete;

    // A decoded reading: the record fields of its frame.
    std::function<void(const TReading& reading)> OnReading;
    // Every closed frame, after it was handled (decoded and answered, or left unanswered).
    std::function<void()> OnFrameClosed;
    // The link went down by itself (a decode failure, a silent logger); the reader is stopped.
    std::function<void(const QString& message)> OnLinkFailed;

    // False with `error` set when the device cannot be read (no read-write access).
    bool Connect(QString& error);
    void Disconnect();
    bool Connected() const { return connected_; }
    int FramesClosed() const { return framesClosed_; }

    const TProgramState& State() const { return state_; }
    const TReadout& Readout() const { return readout_; }

private:
    void TakeReport(uint8_t reportId, const uint8_t* data, uint16_t size);
    void WatchdogTick();
    void SendCommand(uint8_t command);
    void StopLink(const QString& message);

    THidDevice& device_;
    TDecodeSettings settings_;
    TProgramState state_;
    TReadout readout_;
    QTimer watchdog_;
    bool connected_ = false;
    int framesClosed_ = 0;
};

// The message of a link the watchdog gave up.
QString LoggerNotAnsweringMessage();
