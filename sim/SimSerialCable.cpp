#include "sim/SimSerialCable.h"

#include <algorithm>

namespace {

constexpr size_t kMaxQueuedReports = 100000; // beyond this the oldest reports are lost

} // namespace

TSimCablePacing TSimCablePacing::RealTime() {
    using namespace std::chrono;
    TSimCablePacing pacing;
    pacing.idleReportInterval = milliseconds(12);
    pacing.byteTime = microseconds(4167); // 10 bits at 2400 baud
    pacing.answerDelay = milliseconds(420);
    return pacing;
}

TSimSerialCable::TSimSerialCable(TSimCablePacing pacing, uint32_t seed)
    : pacing_(pacing), logger_(seed), nextIdle_(Clock::now()), lineFreeAt_(Clock::now()) {}

QByteArray TSimSerialCable::MakeInputReport(QByteArrayView payload) {
    QByteArray report(TSimSerialCable::kInputReportLength, '\0');
    const qsizetype n = std::min<qsizetype>(payload.size(), kPayloadPerReport);
    report[1] = char(0xF0 + n);
    for (qsizetype i = 0; i < n; ++i)
        report[2 + i] = payload[i];
    return report;
}

std::optional<QByteArray> TSimSerialCable::WaitInputReport(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const Clock::time_point deadline = Clock::now() + timeout;
    const bool idleStream = pacing_.idleReportInterval.count() > 0;
    for (;;) {
        const Clock::time_point now = Clock::now();
        std::optional<QByteArray> report;
        if (!queue_.empty() && queue_.front().due <= now) {
            report = std::move(queue_.front().report);
            queue_.pop_front();
            if (idleStream)
                nextIdle_ = now + pacing_.idleReportInterval;
        } else if (idleStream && (queue_.empty() || queue_.front().startsMessage) &&
                   nextIdle_ <= now) {
            // Silence between messages: the cable's empty reports (never inside a message).
            report = MakeInputReport({});
            nextIdle_ += pacing_.idleReportInterval;
            if (nextIdle_ < now) // the reader was away: no burst of catch-up reports
                nextIdle_ = now + pacing_.idleReportInterval;
        }
        if (report) {
            ++delivered_;
            if (deliveryHook_)
                deliveryHook_(*report);
            return report;
        }
        if (now >= deadline)
            return std::nullopt;
        Clock::time_point wake = deadline;
        if (!queue_.empty())
            wake = std::min(wake, queue_.front().due);
        if (idleStream && (queue_.empty() || queue_.front().startsMessage))
            wake = std::min(wake, nextIdle_);
        ready_.wait_until(lock, wake);
    }
}

bool TSimSerialCable::OutputReport(QByteArrayView report) {
    std::lock_guard lock(mutex_);
    outputReports_.emplace_back(report.toByteArray());
    if (report.size() < 2)
        return true;
    const qsizetype count = std::min<qsizetype>(uint8_t(report[1]), report.size() - 2);
    for (qsizetype i = 0; i < count; ++i) {
        const auto byte = uint8_t(report[2 + i]);
        commands_.push_back(byte);
        // The logger speaks one message at a time: while its last answer has not been read, it
        // does not start another one (so a reconnect does not start a second chain of readings).
        const bool busy = std::any_of(queue_.begin(), queue_.end(), [](const TQueued& q) {
            return (uint8_t(q.report[1]) & 0x0F) != 0;
        });
        std::optional<QByteArray> answer = logger_.Hear(byte, !busy && frameBudget_ != 0);
        if (!answer)
            continue;
        if (frameBudget_ > 0)
            --frameBudget_;
        ++framesSent_;
        QueueMessageLocked(OnTheLineLocked(*answer));
    }
    ready_.notify_all();
    return true;
}

bool TSimSerialCable::FeatureReport(QByteArrayView report) {
    std::lock_guard lock(mutex_);
    featureReports_.emplace_back(report.toByteArray());
    if (report.size() < 6)
        return false;
    uint32_t baud = 0;
    for (int i = 0; i < 4; ++i)
        baud |= uint32_t(uint8_t(report[1 + i])) << (8 * i);
    lineSpeed_ = baud;
    return true;
}

QByteArray TSimSerialCable::OnTheLineLocked(QByteArray bytes) {
    if (lineSpeed_ == kLoggerBaudRate)
        return bytes;
    // A wrong line speed gives framing garbage. The low digit is always changed (D becomes 1, A
    // becomes 6), so a garbled frame never carries the end marker.
    for (char& byte : bytes) {
        garble_ = uint8_t(garble_ * 37 + 11);
        byte = char((uint8_t(byte) ^ 0x0C) ^ (garble_ & 0xF0));
    }
    return bytes;
}

void TSimSerialCable::QueueMessageLocked(const QByteArray& bytes) {
    const Clock::time_point now = Clock::now();
    Clock::time_point at = std::max(now + pacing_.answerDelay, lineFreeAt_);
    for (qsizetype offset = 0; offset < bytes.size(); offset += kPayloadPerReport) {
        const QByteArray chunk = bytes.mid(offset, kPayloadPerReport);
        // A report leaves the cable once its bytes have arrived on the serial line.
        at += pacing_.byteTime * chunk.size();
        QueueLocked(MakeInputReport(chunk), at, offset == 0);
    }
    lineFreeAt_ = at;
    if (pacing_.idleReportInterval.count() == 0)
        QueueLocked(MakeInputReport({}), at, true);
}

void TSimSerialCable::QueueLocked(QByteArray report, Clock::time_point due, bool startsMessage) {
    if (queue_.size() >= kMaxQueuedReports)
        queue_.pop_front();
    queue_.push_back({std::move(report), due, startsMessage});
}

void TSimSerialCable::SetLoggerOn(bool on) {
    std::lock_guard lock(mutex_);
    logger_.SetPowered(on);
}

void TSimSerialCable::InjectFault(TSimFrameFault fault, int count) {
    std::lock_guard lock(mutex_);
    logger_.InjectFault(fault, count);
}

void TSimSerialCable::SetReplayFrames(TReplayFrames frames) {
    std::lock_guard lock(mutex_);
    logger_.SetReplay(std::move(frames));
}

void TSimSerialCable::SetFrameBudget(int frames) {
    std::lock_guard lock(mutex_);
    frameBudget_ = frames;
}

void TSimSerialCable::InjectEmptyReports(int count) {
    std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    for (int i = 0; i < count; ++i)
        QueueLocked(MakeInputReport({}), now, true);
    ready_.notify_all();
}

void TSimSerialCable::InjectReports(const std::vector<QByteArray>& dataBytes) {
    std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    for (const QByteArray& data : dataBytes) {
        QByteArray report = QByteArray(1, '\0') + data;
        if (report.size() < kInputReportLength)
            report.append(QByteArray(kInputReportLength - report.size(), '\0'));
        QueueLocked(std::move(report), now, true);
    }
    ready_.notify_all();
}

void TSimSerialCable::SendFrame(const QByteArray& frame) {
    std::lock_guard lock(mutex_);
    ++framesSent_;
    QueueMessageLocked(OnTheLineLocked(frame));
    ready_.notify_all();
}

void TSimSerialCable::SetDeliveryHook(std::function<void(const QByteArray&)> hook) {
    std::lock_guard lock(mutex_);
    deliveryHook_ = std::move(hook);
}

int TSimSerialCable::FramesSent() const {
    std::lock_guard lock(mutex_);
    return framesSent_;
}

std::vector<uint8_t> TSimSerialCable::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<QByteArray> TSimSerialCable::OutputReports() const {
    std::lock_guard lock(mutex_);
    return outputReports_;
}

std::vector<QByteArray> TSimSerialCable::FeatureReports() const {
    std::lock_guard lock(mutex_);
    return featureReports_;
}

uint32_t TSimSerialCable::LineSpeed() const {
    std::lock_guard lock(mutex_);
    return lineSpeed_;
}

int TSimSerialCable::ReportsWaiting() const {
    std::lock_guard lock(mutex_);
    return int(queue_.size());
}

int TSimSerialCable::ReportsDelivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

bool TSimSerialCable::ReplayFinished() const {
    std::lock_guard lock(mutex_);
    return logger_.ReplayFinished();
}
