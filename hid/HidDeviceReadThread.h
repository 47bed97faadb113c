#pragma once
// The reader of one checked-out device: a thread that keeps one input-report read queued, waits
// for it in slices of the device's SleepTime, and hands every completed report (and every read
// that cannot be started) to the event thread, blocking until the handler there has returned.
// Reports of one device are therefore handled one at a time and in order.
//
// Ownership: the device holds its reader (shared, so a stop requested from inside the reader's
// own delivery can hand the reader to the running delivery, which joins it once the handler has
// returned). The reader does not own its device and touches nothing of it after a terminate
// request has been seen.
//
// Threads: creation, Start, RequestTerminate and WaitFor run on the event thread, which is the
// application's main thread (deliveries are posted to it through THidEventDispatcher).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class THidDevice;
class THidDeviceReadThread;
class THidEventDispatcher;

// The hand-off between one reader and the event thread.
struct THidDeliveryChannel {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> job; // the pending delivery, set by the reader
    bool pending = false;      // a delivery waits for the event thread
    bool done = false;         // the event thread has run it
    bool failed = false;       // ... and the handler raised
    bool finished = false;     // the reader's body has ended
    bool terminate = false;    // mirror of the terminate request, for the reader's pauses
    // Event thread only:
    bool running = false; // the delivery runs right now
    // A reader whose stop was requested from inside its own delivery; joined and dropped once
    // that delivery has returned.
    std::shared_ptr<THidDeviceReadThread> orphan;

    // Runs the pending delivery, if any, on the calling (event) thread.
    void RunPending();
};

class THidDeviceReadThread {
public:
    THidDeviceReadThread(THidDevice* device, uint32_t inputReportByteLength);
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

    // Reader state, read by the deliveries on the event thread while the reader waits for them.
    uint32_t ErrorCode = 0;
    THidDevice* const Device;
    uint32_t BytesRead = 0;
    std::vector<uint8_t> ReportBuffer; // valid only inside the data event

private:
    void Execute();
    // Hands `job` to the event thread and waits until it has run; false when it raised.
    bool Deliver(std::function<void()> job);
    // After a read that could not be started: one wait slice, ended early by a terminate request.
    void PauseAfterFailedStart();
    void Join();

    std::shared_ptr<THidDeliveryChannel> channel_;
    THidEventDispatcher& dispatcher_;
    std::atomic<bool> terminate_{false};
    std::thread thread_;
};
