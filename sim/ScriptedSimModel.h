#pragma once
// A simulated HID interface driven by a script: input reports queued by the test, output and
// feature reports recorded. Every member may be called from any thread.

#include "sim/SimDeviceModel.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

class TScriptedSimModel : public ISimDeviceModel {
public:
    // Queues an input report (report ID first); an empty report is a read of 0 bytes.
    void PushInput(QByteArray report);
    std::size_t PendingInputs() const;
    std::vector<QByteArray> Outputs() const;
    std::vector<QByteArray> Features() const;
    void SetAcceptOutput(bool accept);
    void SetAcceptFeature(bool accept);

    std::optional<QByteArray> WaitInputReport(std::chrono::milliseconds timeout) override;
    bool OutputReport(QByteArrayView report) override;
    bool FeatureReport(QByteArrayView report) override;

private:
    mutable std::mutex mutex_;
    std::condition_variable inputReady_;
    std::deque<QByteArray> inputs_;
    std::vector<QByteArray> outputs_;
    std::vector<QByteArray> features_;
    bool acceptOutput_ = true;
    bool acceptFeature_ = true;
};
