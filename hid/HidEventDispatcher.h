#pragma once
// Where reader threads hand their deliveries to the event thread: a queue guarded by a mutex
// and an eventfd that wakes the event loop through a socket notifier. All data passes through
// the queue's mutex, so the hand-off is visible to ThreadSanitizer; nothing the readers create
// is read by Qt's event machinery.
//
// Ownership: one dispatcher per process, a child of the application object, created on the
// event thread when the first reader starts. Readers only post; the event thread runs.

#include <QObject>
#include <deque>
#include <memory>
#include <mutex>

class QSocketNotifier;
struct THidDeliveryChannel;

class THidEventDispatcher : public QObject {
public:
    // Event thread: the dispatcher, made on first use.
    static THidEventDispatcher& ForEventThread();
    ~THidEventDispatcher() override;

    // Any thread: asks the event thread to run the channel's pending delivery.
    void Post(std::shared_ptr<THidDeliveryChannel> channel);

private:
    explicit THidEventDispatcher(QObject* parent);
    void RunQueued();

    std::mutex mutex_;
    std::deque<std::shared_ptr<THidDeliveryChannel>> queue_;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
