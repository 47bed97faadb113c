// Statistics of the plotted quantity as records arrive, after New and after an open.

#include "records/ReadingStatistics.h"
#include "records/DataFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TRecord Reading(int32_t no, const char* time, const char* humidity, const char* temperature) {
    TRecord r;
    r.No = no;
    r.TextOf(TField::Time) = time;
    r.TextOf(TField::Value) = humidity;
    r.TextOf(TField::Range) = temperature;
    r.TextOf(TField::Unit) = "#";
    return r;
}

TEST(ReadingStatistics, FollowsAppendsAndSkipsMissingReadings) {
    TRecordTable table;
    TReadingStatistics stats(table);
    int changes = 0;
    stats.changed = [&] { ++changes; };
    table.Append(Reading(1, "10:00", "----", "20.0"));
    EXPECT_EQ(stats.Current().count, 0);
    table.Append(Reading(2, "10:01", "40.0%RH", "21.0"));
    table.Append(Reading(3, "10:02", "50,5%RH", "-3.0"));
    table.Append(Reading(4, "10:03", "46.0%RH", "--.-"));
    EXPECT_EQ(changes, 4);
    const TStatistics& s = stats.Current();
    EXPECT_EQ(s.count, 3);
    EXPECT_DOUBLE_EQ(s.min, 40.0);
    EXPECT_DOUBLE_EQ(s.max, 50.5);
    EXPECT_DOUBLE_EQ(s.Mean(), 45.5);
    EXPECT_EQ(StatisticsLine(s, TQuantity::Humidity, table),
              QStringLiteral("%RH: 3 readings, min 40.0, max 50.5, mean 45.50 since No 2 (10:01)"));

    stats.SetQuantity(TQuantity::Temperature);
    EXPECT_EQ(stats.Current().count, 3);
    EXPECT_DOUBLE_EQ(stats.Current().min, -3.0);
}

// Since when: the first counted record's received time where it has one (a recording), else its
// No and logger time (a record opened from a file).
TEST(ReadingStatistics, SinceTheFirstReceivedReading) {
    TRecordTable table;
    TReadingStatistics stats(table, TQuantity::Temperature);
    TRecord first = Reading(1, "10:00", "40.0%RH", "20.0");
    first.Received = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)).toMSecsSinceEpoch();
    table.Append(first);
    TRecord second = Reading(2, "10:01", "41.0%RH", "-3.0");
    second.Received = first.Received + 60'000;
    table.Append(second);
    EXPECT_EQ(StatisticsLine(stats.Current(), TQuantity::Temperature, table),
              QStringLiteral("Temp: 2 readings, min -3.0, max 20.0, mean 8.50 since "
                             "2026-01-02 03:04"));
}

TEST(ReadingStatistics, AfterNewAndAfterAnOpen) {
    TRecordTable table;
    TReadingStatistics stats(table);
    table.Append(Reading(1, "10:00", "40.0%RH", "20.0"));
    table.Clear(); // New
    EXPECT_EQ(stats.Current().count, 0);
    EXPECT_EQ(StatisticsLine(stats.Current(), TQuantity::Humidity, table),
              QStringLiteral("%RH: no readings"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.xls"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("No\tTime\t%RH\tTemp\tUnit\r\n"
               "7\t09:00\t30.0%RH\t1.0\t#\r\n"
               "8\t09:01\t70.0%RH\t2.0\t#\r\n");
    file.close();
    // Opening suspends the views and resets them once, as the window does.
    table.SuspendUpdates();
    ASSERT_TRUE(LoadTableFromFile(path, table).ok);
    table.ResumeUpdates();
    EXPECT_EQ(stats.Current().count, 2);
    EXPECT_DOUBLE_EQ(stats.Current().Mean(), 50.0);
    EXPECT_EQ(stats.Current().firstRow, 0);
}

} // namespace
