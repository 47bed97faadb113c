#include "hid/HidDeviceReadThread.h"

#include "hid/HidControllerClass.h"

#include "hid/HidEventDispatcher.h"

#include <algorithm>
#include <chrono>

void THidDeliveryChannel::RunPending() {
    std::function<void()> delivery;
    {
        std::lock_guard lock(mutex);
        if (!pending)
            return;
        pending = false;
        delivery = std::move(job);
        job = nullptr;
    }
    running = true;
    bool raised = false;
    try {
        delivery();
    } catch (...) {
        // Any error of a handler ends the reader without a message (see Execute).
        raised = true;
    }
    running = false;
    {
        std::lock_guard lock(mutex);
        done = true;
        failed = raised;
    }
    changed.notify_all();
    // A stop requested by the handler itself: the reader sees its terminate request as soon as
    // it wakes, so this join is short.
    if (std::shared_ptr<THidDeviceReadThread> reader = std::move(orphan)) {
        orphan = nullptr;
        reader->WaitFor();
    }
}

THidDeviceReadThread::THidDeviceReadThread(THidDevice* device, uint32_t inputReportByteLength)
    : Device(device), ReportBuffer(inputReportByteLength),
      channel_(std::make_shared<THidDeliveryChannel>()),
      dispatcher_(THidEventDispatcher::ForEventThread()) {}

THidDeviceReadThread::~THidDeviceReadThread() {
    RequestTerminate();
    WaitFor();
}

void THidDeviceReadThread::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { Execute(); });
}

void THidDeviceReadThread::RequestTerminate() {
    terminate_.store(true);
    {
        std::lock_guard lock(channel_->mutex);
        channel_->terminate = true;
    }
    channel_->changed.notify_all();
}

void THidDeviceReadThread::WaitFor() {
    const std::shared_ptr<THidDeliveryChannel> channel = channel_;
    if (thread_.joinable()) {
        for (;;) {
            {
                std::unique_lock lock(channel->mutex);
                channel->changed.wait(lock, [&] { return channel->finished || channel->pending; });
                if (!channel->pending)
                    break;
            }
            channel->RunPending();
        }
    }
    Join();
}

bool THidDeviceReadThread::DeliveryPending() const {
    std::lock_guard lock(channel_->mutex);
    return channel_->pending;
}

void THidDeviceReadThread::DeferStop(std::shared_ptr<THidDeviceReadThread> self) {
    RequestTerminate();
    channel_->orphan = std::move(self);
}

void THidDeviceReadThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

bool THidDeviceReadThread::Deliver(std::function<void()> job) {
    {
        std::lock_guard lock(channel_->mutex);
        channel_->job = std::move(job);
        channel_->pending = true;
        channel_->done = false;
    }
    channel_->changed.notify_all(); // a StopReader waiting on the event thread runs it at once
    dispatcher_.Post(channel_);
    std::unique_lock lock(channel_->mutex);
    channel_->changed.wait(lock, [&] { return channel_->done; });
    channel_->done = false;
    return !channel_->failed;
}

void THidDeviceReadThread::PauseAfterFailedStart() {
    std::unique_lock lock(channel_->mutex);
    channel_->changed.wait_for(lock, std::chrono::milliseconds(Device->SleepTime()),
                               [&] { return channel_->terminate; });
}

void THidDeviceReadThread::Execute() {
    // Nothing of the device is touched once the terminate request is seen: a handler may have
    // released the device and left this reader to finish on its own.
    THidWaitResult lastWait = THidWaitResult::Completed;
    while (!terminate_.load()) {
        lastWait = THidWaitResult::Completed;
        std::fill(ReportBuffer.begin(), ReportBuffer.end(), uint8_t{0});
        if (!Device->BeginRead(ReportBuffer.data(), static_cast<uint32_t>(ReportBuffer.size()),
                               ErrorCode)) {
            if (!Deliver([this] { Device->DeliverError(ErrorCode); }))
                break;
            if (!terminate_.load())
                PauseAfterFailedStart();
            continue;
        }
        do {
            lastWait = Device->WaitRead();
        } while (!terminate_.load() && lastWait != THidWaitResult::Completed);
        if (terminate_.load())
            break;
        BytesRead = Device->TakeReadCount();
        if (BytesRead > 0 &&
            !Deliver([this] { Device->DeliverReport(ReportBuffer.data(), BytesRead); }))
            break;
    }
    // A read still queued is cancelled before the buffer goes away.
    if (lastWait != THidWaitResult::Completed)
        Device->CancelPendingRead();
    {
        std::lock_guard lock(channel_->mutex);
        channel_->finished = true;
    }
    channel_->changed.notify_all();
}
