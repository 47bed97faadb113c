#pragma once
// The simulated "USB to Serial" interface cable with an RX47 logger on its serial line: the device
// model behind one interface of the simulated HID bus.
//
// The cable's reports:
//   input   report ID 0, count byte 0xF0 + n, n ≤ 7 payload bytes, zero padding: 8 data bytes.
//           While the logger is silent the cable sends reports without payload (count byte F0).
//   output  report ID 0, the number n of bytes for the serial line, the n bytes, zero padding.
//   feature report ID 0, the baud rate (32-bit little-endian), 0x03: the line speed. The logger
//           talks at 2400 baud; at any other speed (or before the speed is set) the bytes that
//           reach the program are garbled and never carry the end marker.
//
// Pacing: real time (the demo) spaces the bytes as at 2400 baud, lets the logger think a moment
// before answering and sends an empty report about every 12 ms while the logger is silent (so
// 3000 of them take about 36 s). Instant pacing (tests, benchmarks) makes every report ready at
// once and, instead of the endless stream of empty reports, sends exactly one after each message,
// which is what closes a frame; tests add more with InjectEmptyReports.
//
// Threads: WaitInputReport runs on the device's reader thread, the reports from the program and
// all controls on the event thread (or a test's thread). One mutex guards the state; a condition
// variable wakes the reader when reports become ready.

#include "sim/SimDeviceModel.h"
#include "sim/SimRx47Logger.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

struct TSimCablePacing {
    std::chrono::microseconds idleReportInterval{0}; // 0: one empty report after each message
    std::chrono::microseconds byteTime{0};           // serial time of one byte
    std::chrono::microseconds answerDelay{0};        // the logger's pause before it answers

    static TSimCablePacing RealTime();
    static TSimCablePacing Instant() { return {}; }
};

class TSimSerialCable : public ISimDeviceModel {
public:
    // What the cable tells the bus about itself.
    static constexpr char16_t kProductText[] = u"USB to Serial";
    static constexpr uint16_t kVendorId = 0x1A86;
    static constexpr uint16_t kProductId = 0xE008;
    static constexpr int kInputReportLength = 9; // report ID and 8 data bytes
    static constexpr int kOutputReportLength = 9;
    static constexpr int kFeatureReportLength = 10;
    static constexpr int kPayloadPerReport = 7;
    static constexpr uint32_t kLoggerBaudRate = 2400;

    explicit TSimSerialCable(TSimCablePacing pacing = TSimCablePacing::Instant(),
                             uint32_t seed = 47);

    // ISimDeviceModel
    std::optional<QByteArray> WaitInputReport(std::chrono::milliseconds timeout) override;
    bool OutputReport(QByteArrayView report) override;
    bool FeatureReport(QByteArrayView report) override;

    // ---- Controls ----
    // Switched off the logger is silent: it answers nothing until it is on and hears 90 again.
    void SetLoggerOn(bool on);
    void InjectFault(TSimFrameFault fault, int count = 1);
    // Replays recorded frames instead of generated ones; at the end the logger falls silent.
    void SetReplayFrames(TReplayFrames frames);
    // At most `frames` more answers (-1: no limit); commands beyond it are heard but not answered.
    void SetFrameBudget(int frames);
    // Reports without payload, ready at once.
    void InjectEmptyReports(int count);
    // Raw input reports (data bytes after the report ID, padded to 8), ready at once.
    void InjectReports(const std::vector<QByteArray>& dataBytes);
    // The logger sends this frame now, as if answering, in reports of up to 7 bytes.
    void SendFrame(const QByteArray& frame);
    // Called on the reader thread with each report the moment it is handed out (benchmarks).
    void SetDeliveryHook(std::function<void(const QByteArray& report)> hook);

    // ---- Observations ----
    int FramesSent() const;                // answers the logger gave (queued for the program)
    std::vector<uint8_t> Commands() const; // bytes the logger heard, in order
    std::vector<QByteArray> OutputReports() const;
    std::vector<QByteArray> FeatureReports() const;
    uint32_t LineSpeed() const;
    int ReportsWaiting() const; // queued, not yet read
    int ReportsDelivered() const;
    bool ReplayFinished() const;

    // Builds a cable input report (ID and 8 data bytes) carrying up to 7 payload bytes.
    static QByteArray MakeInputReport(QByteArrayView payload);

private:
    struct TQueued {
        QByteArray report;
        std::chrono::steady_clock::time_point due;
        bool startsMessage = false;
    };
    using Clock = std::chrono::steady_clock;

    void QueueMessageLocked(const QByteArray& bytes);
    void QueueLocked(QByteArray report, Clock::time_point due, bool startsMessage);
    QByteArray OnTheLineLocked(QByteArray bytes);

    const TSimCablePacing pacing_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    TSimRx47Logger logger_;
    std::deque<TQueued> queue_;
    Clock::time_point nextIdle_;
    Clock::time_point lineFreeAt_; // when the logger's last byte has gone out
    uint32_t lineSpeed_ = 0;
    uint8_t garble_ = 0;
    int frameBudget_ = -1;
    int framesSent_ = 0;
    int delivered_ = 0;
    std::vector<uint8_t> commands_;
    std::vector<QByteArray> outputReports_, featureReports_;
    std::function<void(const QByteArray&)> deliveryHook_;
};
