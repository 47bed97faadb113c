#pragma once
// The behaviour behind one simulated HID interface on the simulated bus: what it answers to output
// and feature reports and which input reports it produces. The simulated cable with its logger is
// one such model; tests script others.
//
// Threads: WaitInputReport runs on the device's reader thread; OutputReport and FeatureReport run
// on the event thread. Implementations synchronise their own state.

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <optional>

class ISimDeviceModel {
public:
    virtual ~ISimDeviceModel() = default;
    // Waits at most `timeout` for the next input report: the report ID byte followed by the
    // report's data bytes. nullopt when none is ready in time. Must return within the timeout.
    virtual std::optional<QByteArray> WaitInputReport(std::chrono::milliseconds timeout) = 0;
    // An output report written by the program (byte 0 is the report ID). Returns acceptance.
    virtual bool OutputReport(QByteArrayView report) = 0;
    // A feature report sent by the program (byte 0 is the report ID). Returns acceptance.
    virtual bool FeatureReport(QByteArrayView report) = 0;
};
