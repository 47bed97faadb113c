#include "hid/HidDeviceReadThread.h"

#include "hid/HidControllerClass.h"

#include "hid/HidEventDispatcher.h"
#include "hid/HidReadPort.h"

#include <algorithm>
#include <chrono>

THidDeliveryChannel::THidDeliveryChannel(THidDevice* target, std::shared_ptr<THidBacklog> backlog)
    : device(target), unread(std::move(backlog)) {}

bool THidDeliveryChannel::RunPending(bool stopping) {
    if (running)
        return false; // inside one of this reader's deliveries: that loop goes on afterwards
    // What is queued now, and no more: a reader that keeps up with the handlers must not keep
    // the event loop from its timers and painting.
    std::size_t budget = 0;
    {
        std::lock_guard lock(mutex);
        budget = stopping ? SIZE_MAX : queue.size();
    }
    for (;;) {
        THidQueuedDelivery item;
        {
            std::lock_guard lock(mutex);
            if (queue.empty() || failed || (terminate && !stopping)) {
                posted = false;
                return false;
            }
            if (budget == 0)
                return true; // still posted: the caller posts the channel again
            --budget;
            item = std::move(queue.front());
            queue.pop_front();
        }
        running = true;
        bool raised = false;
        try {
            // The handler call is the last thing the device does: the handler may release it.
            if (item.isError)
                device->DeliverError(item.error);
            else
                device->DeliverReport(item.report.data(), uint32_t(item.report.size()));
        } catch (...) {
            // Any error of a handler ends the reader without a message.
            raised = true;
        }
        running = false;
        {
            std::lock_guard lock(mutex);
            ++deliveredCount;
            failed = failed || raised;
            if (!item.isError)
                spare.push_back(std::move(item.report));
        }
        changed.notify_all(); // room in the queue, or an error handled
        // A stop requested by the handler itself: the reader sees its terminate request as soon
        // as it wakes, so this join is short.
        if (std::shared_ptr<THidDeviceReadThread> reader = std::move(orphan)) {
            orphan = nullptr;
            reader.reset(); // joins; what it read meanwhile stays with the device
            return false;
        }
    }
}

void THidDeliveryChannel::ReturnUndelivered() {
    std::lock_guard lock(mutex);
    for (THidQueuedDelivery& item : queue) {
        if (!item.isError) // an error of a read start is stale for the next reader
            unread->push_back(std::move(item));
    }
    queue.clear();
}

THidDeviceReadThread::THidDeviceReadThread(THidDevice* device, std::shared_ptr<THidReadPort> port,
                                           uint32_t inputReportByteLength,
                                           std::shared_ptr<THidBacklog> unread)
    : ReportBuffer(inputReportByteLength), port_(std::move(port)),
      channel_(std::make_shared<THidDeliveryChannel>(device, std::move(unread))),
      dispatcher_(THidEventDispatcher::ForEventThread()) {}

THidDeviceReadThread::~THidDeviceReadThread() {
    // Nothing waits for the event thread once terminate is requested, so the join is short.
    RequestTerminate();
    Join();
    channel_->ReturnUndelivered();
}

void THidDeviceReadThread::Start() {
    if (thread_.joinable())
        return;
    bool wake = false;
    {
        std::lock_guard lock(channel_->mutex);
        THidBacklog& backlog = *channel_->unread;
        channel_->queuedCount += backlog.size();
        std::move(backlog.begin(), backlog.end(), std::back_inserter(channel_->queue));
        backlog.clear();
        wake = !channel_->queue.empty();
        channel_->posted = wake;
    }
    if (wake)
        dispatcher_.Post(channel_);
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
                const auto deliverable = [&] {
                    return !channel->queue.empty() && !channel->failed;
                };
                channel->changed.wait(lock, [&] { return channel->finished || deliverable(); });
                if (!deliverable())
                    break; // finished, and nothing left to deliver
            }
            channel->RunPending(/*stopping=*/true);
        }
    }
    Join();
    channel->ReturnUndelivered();
}

bool THidDeviceReadThread::DeliveryPending() const {
    std::lock_guard lock(channel_->mutex);
    return !channel_->queue.empty();
}

void THidDeviceReadThread::DeferStop(std::shared_ptr<THidDeviceReadThread> self) {
    RequestTerminate();
    channel_->orphan = std::move(self);
}

void THidDeviceReadThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

bool THidDeviceReadThread::PushLocked(THidQueuedDelivery&& item) {
    channel_->queue.push_back(std::move(item));
    ++channel_->queuedCount;
    const bool wake = !channel_->posted;
    channel_->posted = true;
    return wake;
}

bool THidDeviceReadThread::QueueReport(const uint8_t* report, uint32_t length) {
    bool wake = false;
    bool failed = false;
    {
        std::unique_lock lock(channel_->mutex);
        channel_->changed.wait(lock, [&] {
            return channel_->queue.size() < THidDeliveryChannel::kMaxQueued ||
                   channel_->terminate || channel_->failed;
        });
        // Queued also after a stop or a failure: the stop delivers it, or the device keeps it.
        THidQueuedDelivery item;
        if (!channel_->spare.empty()) {
            item.report = std::move(channel_->spare.back());
            channel_->spare.pop_back();
        }
        item.report.assign(report, report + length);
        wake = PushLocked(std::move(item));
        failed = channel_->failed;
    }
    channel_->changed.notify_all(); // a stop waiting on the event thread delivers it at once
    if (wake)
        dispatcher_.Post(channel_);
    return !failed;
}

bool THidDeviceReadThread::DeliverError(uint32_t error) {
    bool wake = false;
    uint64_t ticket = 0;
    {
        std::lock_guard lock(channel_->mutex);
        THidQueuedDelivery item;
        item.error = error;
        item.isError = true;
        wake = PushLocked(std::move(item));
        ticket = channel_->queuedCount;
    }
    channel_->changed.notify_all();
    if (wake)
        dispatcher_.Post(channel_);
    std::unique_lock lock(channel_->mutex);
    channel_->changed.wait(lock, [&] {
        return channel_->deliveredCount >= ticket || channel_->terminate || channel_->failed;
    });
    return !channel_->failed;
}

void THidDeviceReadThread::PauseAfterFailedStart() {
    std::unique_lock lock(channel_->mutex);
    channel_->changed.wait_for(lock, std::chrono::milliseconds(port_->sleepTime.load()),
                               [&] { return channel_->terminate; });
}

void THidDeviceReadThread::Execute() {
    // Only the shared port is used: a handler may release the device at any moment and leave
    // this reader to finish on its own.
    THidWaitResult lastWait = THidWaitResult::Completed;
    while (!terminate_.load()) {
        lastWait = THidWaitResult::Completed;
        std::fill(ReportBuffer.begin(), ReportBuffer.end(), uint8_t{0});
        if (!port_->BeginRead(ReportBuffer.data(), static_cast<uint32_t>(ReportBuffer.size()),
                              ErrorCode)) {
            if (!DeliverError(ErrorCode))
                break;
            if (!terminate_.load())
                PauseAfterFailedStart();
            continue;
        }
        do {
            lastWait = port_->WaitRead();
        } while (!terminate_.load() && lastWait != THidWaitResult::Completed);
        if (terminate_.load())
            break;
        BytesRead = port_->TakeReadCount();
        if (BytesRead > 0 && !QueueReport(ReportBuffer.data(), BytesRead))
            break;
    }
    // A read still queued is cancelled before the buffer goes away.
    if (lastWait != THidWaitResult::Completed)
        port_->CancelPendingRead();
    {
        std::lock_guard lock(channel_->mutex);
        channel_->finished = true;
    }
    channel_->changed.notify_all();
}
