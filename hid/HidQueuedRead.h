#pragma once
// The one input-report read a backend's read handle may have queued: the buffer the transport
// lent it, and how the read ended. Every backend keeps one per handle and runs BeginRead,
// TakeReadCount, CancelRead and Close through it; only the wait for a report is its own.
//
// Threads: the reader thread queues, waits and takes; Close may come from the event thread
// meanwhile. Every call below must hold Mutex().

#include <cstdint>
#include <mutex>
#include <span>

class THidQueuedRead {
public:
    std::mutex& Mutex() { return mutex_; }

    // Queues a read into `buffer`: 0, or the refusal's error number (EBADF once closed, EBUSY
    // while a read is queued).
    int Begin(uint8_t* buffer, uint32_t length);
    bool Closed() const { return closed_; }
    bool Queued() const { return queued_; }
    // The queued read's buffer, valid until the read completes or is cancelled.
    std::span<uint8_t> Buffer() const { return {buffer_, length_}; }

    // The queued read ends: with `count` bytes in the buffer, with a copy of `report` (cut to
    // the buffer), or failed.
    void Complete(uint32_t count);
    void CompleteWith(std::span<const uint8_t> report);
    void Fail();

    // Bytes of the completed read; false when it failed or none completed. Either way the
    // completion is used up.
    bool TakeCount(uint32_t& bytes);
    // Nothing is written into the buffer any more.
    void Cancel() { queued_ = false; }
    void Close();

private:
    std::mutex mutex_;
    bool closed_ = false;
    bool queued_ = false;
    bool completed_ = false;
    bool succeeded_ = false;
    uint8_t* buffer_ = nullptr;
    uint32_t length_ = 0;
    uint32_t count_ = 0;
};
