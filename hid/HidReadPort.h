#pragma once
// What a device's reader needs of its device: the platform, the interface path, the read handle,
// the wait slice and whether the device may still be read. The device and its reader share it,
// so a reader whose device was released from inside a delivery finishes on its own: it never
// reaches into the freed device, only into this port, which lives as long as either of them.
//
// Threads: the event thread sets the flags, changes the wait slice and closes the handle (on
// unplug and release); the reader opens, reads, waits and cancels. The handle number is read
// under the lock and used outside it: the platform keeps a handle closed meanwhile alive until
// the reader lets go of it, and the wait on it then ends as a failed read.

#include "hid/HidPlatform.h"

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <mutex>

class THidReadPort {
public:
    THidReadPort(IHidPlatform& platform, QByteArray interfacePath)
        : platform_(platform), path_(std::move(interfacePath)) {}
    THidReadPort(const THidReadPort&) = delete;
    THidReadPort& operator=(const THidReadPort&) = delete;

    // The device's state as far as reading depends on it (set on the event thread).
    std::atomic<bool> plugged{true};
    std::atomic<bool> checkedOut{false};
    std::atomic<bool> inEvent{false};
    std::atomic<int32_t> sleepTime{100}; // milliseconds

    bool Accessible() const { return plugged.load() && (checkedOut.load() || inEvent.load()); }

    // Opens the read handle when the device is accessible and it is not open yet; whether it is.
    bool Open();
    void Close();

    // Reader thread: queues one read into `buffer`; false with the system's error code when the
    // handle cannot be opened or the read not started.
    bool BeginRead(uint8_t* buffer, uint32_t length, uint32_t& error);
    // Waits one slice for the queued read.
    THidWaitResult WaitRead();
    // Bytes of the completed read; 0 when it failed or the handle is closed.
    uint32_t TakeReadCount();
    // Cancels a read still queued, before its buffer goes away.
    void CancelPendingRead();

private:
    THidHandle Handle() const;

    IHidPlatform& platform_; // outlives every device and reader (see HidPlatform.h)
    const QByteArray path_;
    mutable std::mutex lock_;
    THidHandle handle_ = kInvalidHidHandle;
};
