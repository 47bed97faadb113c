#include "sim/ScriptedSimModel.h"

void TScriptedSimModel::PushInput(QByteArray report) {
    {
        std::lock_guard lock(mutex_);
        inputs_.push_back(std::move(report));
    }
    inputReady_.notify_all();
}

std::size_t TScriptedSimModel::PendingInputs() const {
    std::lock_guard lock(mutex_);
    return inputs_.size();
}

std::vector<QByteArray> TScriptedSimModel::Outputs() const {
    std::lock_guard lock(mutex_);
    return outputs_;
}

std::vector<QByteArray> TScriptedSimModel::Features() const {
    std::lock_guard lock(mutex_);
    return features_;
}

void TScriptedSimModel::SetAcceptOutput(bool accept) {
    std::lock_guard lock(mutex_);
    acceptOutput_ = accept;
}

void TScriptedSimModel::SetAcceptFeature(bool accept) {
    std::lock_guard lock(mutex_);
    acceptFeature_ = accept;
}

std::optional<QByteArray> TScriptedSimModel::WaitInputReport(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!inputReady_.wait_for(lock, timeout, [this] { return !inputs_.empty(); }))
        return std::nullopt;
    QByteArray report = std::move(inputs_.front());
    inputs_.pop_front();
    return report;
}

bool TScriptedSimModel::OutputReport(QByteArrayView report) {
    std::lock_guard lock(mutex_);
    outputs_.push_back(report.toByteArray());
    return acceptOutput_;
}

bool TScriptedSimModel::FeatureReport(QByteArrayView report) {
    std::lock_guard lock(mutex_);
    features_.push_back(report.toByteArray());
    return acceptFeature_;
}
