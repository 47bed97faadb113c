// A paced action: the first request runs at once, a burst folds into one more run a period later.

#include "display/PacedAction.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

TEST(PacedActionTest, ABurstOfRequestsRunsOnceNowAndOnceAfterThePeriod) {
    int runs = 0;
    QElapsedTimer sinceFirst;
    qint64 secondRunAt = -1;
    TPacedAction action(40, [&] {
        if (++runs == 2)
            secondRunAt = sinceFirst.elapsed();
    });
    sinceFirst.start();
    for (int i = 0; i < 1000; ++i)
        action.Request();
    EXPECT_EQ(runs, 1) << "the first request runs at once";
    EXPECT_TRUE(action.Waiting());
    ASSERT_TRUE(WaitUntil([&] { return runs == 2; }));
    EXPECT_GE(secondRunAt, 30); // a coarse timer may fire up to 5% early, a loaded machine late
    EXPECT_FALSE(action.Waiting());
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 2) << "nothing was requested since";
}

} // namespace
