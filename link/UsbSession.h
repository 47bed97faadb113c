#pragma once
// One link to the interface cable without a window, for rx47-cli: the steps of Connect
// (link/UsbLink.h) on one device with the line at 2400 baud. Input reports are reassembled into
// frames, each frame with the end marker is decoded and answered with command 2, and the watchdog
// (run every 10 ms while connected) gives up after 3000 reports without payload. Disconnect sends
// command 2 and stops the device's reader.
//
// Everything runs on the event thread. The callbacks run inside the device's delivery; they may
// call Disconnect there (the reader then stops once the delivery has returned), but must not
// delete the session or its device.

#include "base/ProgramState.h"
#include "link/FrameDecoder.h"
#include "link/Readout.h"
#include "link/UsbLink.h"
#include "records/LoggingPolicy.h"

#include <QString>
#include <QTimer>
#include <functional>

class THidDevice;

inline constexpr uint32_t kLoggerLineBaudRate = 2400;

class TUsbSession : private IUsbLinkHost {
public:
    TUsbSession(THidDevice& device, const TDecodeSettings& settings);
    ~TUsbSession() override;
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
    // IUsbLinkHost: the one device, and every message ends the link.
    THidDevice* SelectLinkDevice() override { return &device_; }
    THidDevice* LinkDevice() override { return &device_; }
    void StopSelectedReader() override;
    void StartReader(THidDevice& device) override;
    void StopReader(THidDevice* device) override;
    uint32_t LineBaudRate() override { return kLoggerLineBaudRate; }
    void ReleaseLink() override;
    void ShowMessage(const QString& text) override;
    void DecodeFailed(const QString& message) override;
    bool UseFrame() override;
    void FrameClosed() override;

    THidDevice& device_;
    TDecodeSettings settings_;
    TProgramState state_;
    TReadout readout_;
    TUsbLink link_;
    QTimer watchdog_;
    bool connected_ = false;
    int framesClosed_ = 0;
};
