#include "hid/HidReadPort.h"

#include <chrono>

bool THidReadPort::Open() {
    std::lock_guard lock(lock_);
    if (!Accessible())
        return false;
    if (handle_ == kInvalidHidHandle)
        handle_ = platform_.Open(path_, THidAccess::OverlappedRead);
    return handle_ != kInvalidHidHandle;
}

void THidReadPort::Close() {
    THidHandle handle = kInvalidHidHandle;
    {
        std::lock_guard lock(lock_);
        std::swap(handle, handle_);
    }
    if (handle != kInvalidHidHandle)
        platform_.Close(handle);
}

THidHandle THidReadPort::Handle() const {
    std::lock_guard lock(lock_);
    return handle_;
}

bool THidReadPort::BeginRead(uint8_t* buffer, uint32_t length, uint32_t& error) {
    if (!Open()) {
        error = platform_.NotConnectedError();
        return false;
    }
    if (platform_.BeginRead(Handle(), buffer, length))
        return true;
    error = platform_.LastError();
    return false;
}

THidWaitResult THidReadPort::WaitRead() {
    return platform_.WaitRead(Handle(), std::chrono::milliseconds(sleepTime.load()));
}

uint32_t THidReadPort::TakeReadCount() {
    const THidHandle handle = Handle();
    uint32_t bytes = 0;
    if (handle == kInvalidHidHandle || !platform_.TakeReadCount(handle, bytes))
        return 0;
    return bytes;
}

void THidReadPort::CancelPendingRead() {
    const THidHandle handle = Handle();
    if (handle != kInvalidHidHandle)
        platform_.CancelRead(handle);
}
