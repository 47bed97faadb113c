#pragma once
// The reader of one checked-out device: a thread that keeps one input-report read queued, waits
// for it in slices of the device's SleepTime, and hands every completed report (and every read
// that cannot be started) to the event thread. Reports of one device are handled one at a time,
// in order, never nested (a message box inside a handler does not start the next delivery).
//
// The reader does not wait for each handler: it reads ahead into a bounded queue, so one wake of
// the event thread delivers every report that has arrived meanwhile and a busy event thread does
// not hold the cable back. A full queue (a message box left open) holds the reader until there
// is room again. A failed read start still waits for its error handler before the retry, so an
// unplugged device reports one error per wait slice.
//
// Reports read but not delivered are never dropped while the device lives: a stop from the event
// thread delivers them before it returns; a stop from inside a handler, or a handler that raised,
// leaves them with the device, and its next reader delivers them first.
//
// Ownership: the device holds its reader (shared, so a stop requested from inside the reader's
// own delivery can hand the reader to the running delivery, which joins it once the handler has
// returned). The reader never touches its device: it reads through the device's THidReadPort,
// which it shares, so a handler may release the device at any moment and the reader still
// finishes on its own. Only the deliveries, on the event thread, call the device.
//
// Threads: creation, Start, RequestTerminate and WaitFor run on the event thread, which is the
// application's main thread (deliveries are posted to it through THidEventDispatcher).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class THidDevice;
class THidDeviceReadThread;
class THidEventDispatcher;
class THidReadPort;

// One report as read (the report ID first), or a read that could not be started.
struct THidQueuedDelivery {
    std::vector<uint8_t> report;
    uint32_t error = 0;
    bool isError = false;
};
// Reports a device has read but not yet delivered, kept for its next reader.
using THidBacklog = std::deque<THidQueuedDelivery>;

// The hand-off between one reader and the event thread.
struct THidDeliveryChannel {
    THidDeliveryChannel(THidDevice* device, std::shared_ptr<THidBacklog> unread);

    // How far the reader may read ahead of the handlers.
    static constexpr std::size_t kMaxQueued = 256;

    std::mutex mutex;
    std::condition_variable changed;
    THidBacklog queue;                       // read, not yet delivered
    std::vector<std::vector<uint8_t>> spare; // delivered buffers, reused by the reader
    uint64_t queuedCount = 0;                // items ever queued ...
    uint64_t deliveredCount = 0;             // ... and delivered
    bool posted = false;                     // a wake for this channel waits at the dispatcher
    bool failed = false;                     // a handler raised: nothing more is delivered
    bool finished = false;                   // the reader's body has ended
    bool terminate = false;                  // mirror of the terminate request, for the waits

    // Event thread only:
    THidDevice* const device; // not used once a terminate request is made
    const std::shared_ptr<THidBacklog> unread;
    bool running = false; // a delivery runs right now
    // A reader whose stop was requested from inside its own delivery; joined and dropped once
    // that delivery has returned.
    std::shared_ptr<THidDeviceReadThread> orphan;

    // Event thread: delivers the items queued when it was called, one after another. `stopping`:
    // called by a stop, which delivers everything despite its terminate request. True when items
    // are left for a later turn of the event loop (the caller posts the channel again).
    bool RunPending(bool stopping = false);
    // Event thread, once the reader has ended: reports not delivered go back to the device.
    void ReturnUndelivered();
};

class THidDeviceReadThread {
public:
    // `unread`: the device's undelivered reports, delivered by this reader before what it reads.
    // `device` receives the deliveries (on the event thread); `port` is what the reader reads.
    THidDeviceReadThread(THidDevice* device, std::shared_ptr<THidReadPort> port,
                         uint32_t inputReportByteLength, std::shared_ptr<THidBacklog> unread);
    ~THidDeviceReadThread();
    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

    void Start();
    void RequestTerminate();
    // Event thread: waits until the body has ended, running this reader's deliveries meanwhile.
    void WaitFor();
    // Event thread: this reader's delivery is running (the caller is inside its handler).
    bool InDelivery() const { return channel_->running; }
    // A delivery waits for the event thread (for tests that stop a reader at that moment).
    bool DeliveryPending() const;
    // Event thread: hands this reader to its running delivery, which joins it afterwards.
    void DeferStop(std::shared_ptr<THidDeviceReadThread> self);

    // Reader state, used by the reader thread only.
    uint32_t ErrorCode = 0;
    uint32_t BytesRead = 0;
    std::vector<uint8_t> ReportBuffer; // the buffer of the read in progress

private:
    void Execute();
    // Queues a copy of the report read; false when the reader must end (a handler raised).
    bool QueueReport(const uint8_t* report, uint32_t length);
    // Queues a failed read start and waits until its handler has run; false as above.
    bool DeliverError(uint32_t error);
    // Queues `item` under the channel's lock; true when the dispatcher must be woken.
    bool PushLocked(THidQueuedDelivery&& item);
    // After a read that could not be started: one wait slice, ended early by a terminate request.
    void PauseAfterFailedStart();
    void Join();

    const std::shared_ptr<THidReadPort> port_;
    std::shared_ptr<THidDeliveryChannel> channel_;
    THidEventDispatcher& dispatcher_;
    std::atomic<bool> terminate_{false};
    std::thread thread_;
};
