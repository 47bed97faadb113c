#include "hid/HidEventDispatcher.h"

#include "hid/HidDeviceReadThread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
THidEventDispatcher* dispatcher = nullptr; // event thread only
}

THidEventDispatcher& THidEventDispatcher::ForEventThread() {
    if (dispatcher == nullptr)
        dispatcher = new THidEventDispatcher(QCoreApplication::instance());
    return *dispatcher;
}

THidEventDispatcher::THidEventDispatcher(QObject* parent)
    : QObject(parent), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &THidEventDispatcher::RunQueued);
}

THidEventDispatcher::~THidEventDispatcher() {
    dispatcher = nullptr;
    delete notifier_;
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void THidEventDispatcher::Post(std::shared_ptr<THidDeliveryChannel> channel) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(channel));
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFd_, &one, sizeof(one));
}

void THidEventDispatcher::RunQueued() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakeFd_, &count, sizeof(count));
    // The channels posted so far, and no more: one posted again meanwhile waits for the next turn
    // of the event loop, so that timers and painting get theirs.
    std::deque<std::shared_ptr<THidDeliveryChannel>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (std::shared_ptr<THidDeliveryChannel>& channel : batch) {
        // A delivery already run by a stop that waited for it finds nothing pending.
        if (channel->RunPending())
            Post(std::move(channel));
    }
}
