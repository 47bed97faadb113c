#include "hid/HidQueuedRead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

int THidQueuedRead::Begin(uint8_t* buffer, uint32_t length) {
    if (closed_)
        return EBADF;
    if (queued_)
        return EBUSY;
    queued_ = true;
    completed_ = false;
    buffer_ = buffer;
    length_ = length;
    return 0;
}

void THidQueuedRead::Complete(uint32_t count) {
    count_ = count;
    queued_ = false;
    completed_ = true;
    succeeded_ = true;
}

void THidQueuedRead::CompleteWith(std::span<const uint8_t> report) {
    const auto count = static_cast<uint32_t>(std::min<size_t>(length_, report.size()));
    if (count > 0)
        std::memcpy(buffer_, report.data(), count);
    Complete(count);
}

void THidQueuedRead::Fail() {
    queued_ = false;
    completed_ = true;
    succeeded_ = false;
}

bool THidQueuedRead::TakeCount(uint32_t& bytes) {
    const bool succeeded = completed_ && succeeded_;
    bytes = succeeded ? count_ : 0;
    completed_ = false;
    return succeeded;
}

void THidQueuedRead::Close() {
    closed_ = true;
    queued_ = false;
}
