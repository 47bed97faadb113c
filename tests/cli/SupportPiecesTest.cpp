// Pieces under the link commands: the reading line and the Ctrl+C watcher.

#include "cli/InterruptWatcher.h"
#include "cli/ReadingLine.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(ReadingLine, IsoTimeWithItsOffset) {
    const QDate date(2026, 12, 10);
    const QTime time(9, 5, 7);
    EXPECT_EQ(IsoLocalTime(QDateTime(date, time, Qt::OffsetFromUTC, 3600)),
              "2026-12-10T09:05:07+01:00");
    EXPECT_EQ(IsoLocalTime(QDateTime(date, time, Qt::OffsetFromUTC, -(5 * 3600 + 1800))),
              "2026-12-10T09:05:07-05:30");
    EXPECT_EQ(IsoLocalTime(QDateTime(date, time, Qt::OffsetFromUTC, 0)),
              "2026-12-10T09:05:07+00:00");
    EXPECT_EQ(ReadingLine(QDateTime(date, time, Qt::OffsetFromUTC, 0), "16:32", "45.3%RH", "-23.4",
                          "DEW#"),
              "2026-12-10T09:05:07+00:00\t16:32\t45.3%RH\t-23.4\tDEW#\n");
}

TEST(InterruptWatcher, SignalArrivesOnTheEventThreadAndHandlersComeBack) {
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    {
        TInterruptWatcher watcher;
        ASSERT_TRUE(watcher.IsActive());
        TInterruptWatcher second; // only one at a time
        EXPECT_FALSE(second.IsActive());
        QSignalSpy spy(&watcher, &TInterruptWatcher::Interrupted);
        std::raise(SIGINT);
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.at(0).at(0).toInt(), SIGINT);
        std::raise(SIGTERM);
        ASSERT_TRUE(spy.count() > 1 || spy.wait(10000));
        EXPECT_EQ(spy.at(1).at(0).toInt(), SIGTERM);
    }
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
