// The queued read every backend's read handle keeps: one read at a time, a report never written
// past the lent buffer, each completion taken once, nothing queued once closed.

#include "hid/HidQueuedRead.h"

#include <array>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

TEST(QueuedRead, OneReadAtATimeAndEachCompletionTakenOnce) {
    THidQueuedRead read;
    std::lock_guard lock(read.Mutex());
    std::array<uint8_t, 4> buffer{};
    uint32_t bytes = 99;
    EXPECT_FALSE(read.TakeCount(bytes)) << "nothing completed yet";
    EXPECT_EQ(bytes, 0u);

    ASSERT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), 0);
    EXPECT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), EBUSY);
    const std::array<uint8_t, 6> report{1, 2, 3, 4, 5, 6};
    read.CompleteWith(report);
    EXPECT_FALSE(read.Queued());
    EXPECT_EQ(buffer, (std::array<uint8_t, 4>{1, 2, 3, 4})) << "cut to the buffer";
    EXPECT_TRUE(read.TakeCount(bytes));
    EXPECT_EQ(bytes, 4u);
    EXPECT_FALSE(read.TakeCount(bytes)) << "the completion is used up";

    ASSERT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), 0);
    read.Fail();
    EXPECT_FALSE(read.TakeCount(bytes));
    EXPECT_EQ(bytes, 0u);
}

TEST(QueuedRead, CancelledOrClosedReadsEndWithoutAReport) {
    THidQueuedRead read;
    std::lock_guard lock(read.Mutex());
    std::array<uint8_t, 4> buffer{};
    ASSERT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), 0);
    read.Cancel();
    EXPECT_FALSE(read.Queued());
    EXPECT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), 0) << "a new read may follow";
    read.Close();
    EXPECT_TRUE(read.Closed());
    EXPECT_FALSE(read.Queued());
    EXPECT_EQ(read.Begin(buffer.data(), uint32_t(buffer.size())), EBADF);
    uint32_t bytes = 0;
    EXPECT_FALSE(read.TakeCount(bytes));
}

} // namespace
