#pragma once
// The USB link to the interface cable, step for step, for the window and for rx47-cli alike: what
// Connect and disconnect do and in which order, the command and feature reports, the handling of
// each input report (reassembly, decode, the request for the next reading) and the watchdog.
//
// Which device a step acts on and what the user sees of it belong to the host: the window answers
// with its device list, its Connect button, its history and its message boxes (app/FCommUsb.cpp),
// the headless session with its one device and its callbacks (link/UsbSession.h).
//
// Everything runs on the event thread; TakeReport runs inside the device's delivery.

#include "base/ProgramState.h"
#include "link/Readout.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

class THidDevice;

// The one-byte commands to the logger.
inline constexpr uint8_t kLoggerStart = 0x5A; // on connect
inline constexpr uint8_t kLoggerNext = 0x02;  // after each decoded frame, and on disconnect
inline constexpr uint8_t kLoggerDebug = 0x03; // the debug button

class IUsbLinkHost {
public:
    virtual ~IUsbLinkHost() = default;

    // ---- Devices and readers ----
    // Chooses the device for the step that begins (the window: the selected line) and returns it;
    // null when there is none.
    virtual THidDevice* SelectLinkDevice() = 0;
    // The device of the last choice, or null.
    virtual THidDevice* LinkDevice() = 0;
    // Stops the reader of the device chosen now, ahead of a connect or disconnect.
    virtual void StopSelectedReader() = 0;
    // Starts the device's reader with a handler that passes its reports to TakeReport.
    virtual void StartReader(THidDevice& device) = 0;
    // Stops a device's reader; the device may be null or no longer one the host holds.
    virtual void StopReader(THidDevice* device) = 0;
    // The cable's serial speed that the feature report sets.
    virtual uint32_t LineBaudRate() = 0;

    // ---- What the user sees ----
    // The link is down (the window's Connect button goes up).
    virtual void ReleaseLink() = 0;
    // A message for the user: no cable, or a logger that does not answer.
    virtual void ShowMessage(const QString& text) = 0;
    // A frame that could not be decoded took the link down; its reader is stopped.
    virtual void DecodeFailed(const QString& message) = 0;
    // A closed frame with the end marker: decode it onto the readout and the state (TException
    // when that fails) and use the reading. False when the link went down meanwhile: the frame
    // then gets no request for the next one.
    virtual bool UseFrame() = 0;
    // The trace line of a report sent to the cable.
    virtual void ReportSent(const QByteArray& /*trace*/) {}
    // The trace line of an input report with payload.
    virtual void PayloadReceived(const QByteArray& /*trace*/) {}
    // A frame was closed and handled (decoded and answered, or left unanswered).
    virtual void FrameClosed() {}
    // Connect emptied the frame and its end-marker caption.
    virtual void FrameCleared() {}
    // The watchdog set the link images of the readout.
    virtual void LinkImagesChanged() {}
};

class TUsbLink {
public:
    // The host, the state and the readout outlive the link.
    TUsbLink(IUsbLinkHost& host, TProgramState& state, TReadout& readout);

    // What the Connect button does: stop the reader, send the feature report, reset the watchdog's
    // count, then connect (start reading, command 90) or disconnect. False when there was no
    // device, or one without read-write access, for the connect or disconnect step.
    bool Press(bool connect);
    // The disconnect step alone: command 2, then the reader stops.
    void Disconnect();

    // One feature report with the host's line speed.
    void SendFeatureReport();
    // One command report to the logger.
    void SendCommand(uint8_t command);
    // The debug report 0x02 0x5A.
    void SendDataReport();

    // One input report of `device`, as its reader delivers it.
    void TakeReport(THidDevice* device, uint8_t reportId, std::span<const uint8_t> data);
    // The link watchdog, every 10 ms.
    void WatchdogTick();

private:
    void SendOutputReport(uint8_t byte1, uint8_t byte2, const QString& noDeviceMessage);
    void NoDevice(const QString& message);

    IUsbLinkHost& host_;
    TProgramState& state_;
    TReadout& readout_;
};

// The message of a link the watchdog gave up.
QString LoggerNotAnsweringMessage();
