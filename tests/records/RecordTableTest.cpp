// The compact record table: contents, change log, notifications.

#include "records/RecordTable.h"

#include <gtest/gtest.h>

namespace {

TRecord Reading(int32_t no, const QByteArray& time, const QByteArray& value = "45.3%RH",
                const QByteArray& temp = "23.4", const QByteArray& unit = "#") {
    TRecord r;
    r.No = no;
    r.TextOf(TField::Time) = time;
    r.TextOf(TField::Value) = value;
    r.TextOf(TField::Range) = temp;
    r.TextOf(TField::Unit) = unit;
    return r;
}

std::vector<TRecord> Records(const TRecordTable& table) {
    std::vector<TRecord> all;
    for (int64_t i = 0; i < table.Count(); ++i)
        all.push_back(table.At(i));
    return all;
}

struct TRecordingListener : IRecordTableListener {
    std::vector<std::pair<int64_t, int64_t>> appended;
    int resets = 0;
    void RecordsAppended(int64_t first, int64_t last) override {
        appended.emplace_back(first, last);
    }
    void RecordsReset() override { ++resets; }
};

TEST(RecordTable, FieldNamesMatchWithoutRegardToCase) {
    EXPECT_EQ(FindField("no"), TField::No);
    EXPECT_EQ(FindField("TIME"), TField::Time);
    EXPECT_EQ(FindField("value"), TField::Value);
    EXPECT_EQ(FindField("dc/ac"), TField::Range);
    EXPECT_EQ(FindField("Unit"), TField::Unit);
    EXPECT_EQ(FindField("Temp"), std::nullopt);
    EXPECT_STREQ(FieldName(TField::Range), "DC/AC");
}

TEST(RecordTable, KeepsRecordsInAppendOrderWithNoValueApartFromEmptyText) {
    TRecordTable table;
    table.Append(Reading(1, "05:59"));
    TRecord sparse;
    sparse.TextOf(TField::Value) = QByteArray(""); // empty text, other fields without value
    table.Append(sparse, false);
    table.Append(Reading(3, "06:00", "----", "--.-", "DEW?"));
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.At(0), Reading(1, "05:59"));
    EXPECT_EQ(table.At(1), sparse);
    EXPECT_EQ(table.At(1).TextOf(TField::Value), QByteArray(""));
    EXPECT_EQ(table.At(1).TextOf(TField::Time), std::nullopt);
    EXPECT_EQ(table.NoAt(1), std::nullopt);
    EXPECT_EQ(table.TextAt(2, TField::Unit), QByteArrayView("DEW?"));
    EXPECT_THROW(table.At(3), std::out_of_range);
    EXPECT_THROW(table.At(-1), std::out_of_range);
}

TEST(RecordTable, CutsTextsToTwentyCharacters) {
    TRecordTable table;
    table.Append(Reading(1, "123456789012345678901234", "NULL"));
    EXPECT_EQ(table.At(0).TextOf(TField::Time), QByteArray("12345678901234567890"));
    EXPECT_EQ(table.At(0).TextOf(TField::Value), QByteArray("NULL"));
}

TEST(RecordTable, KeepsEightBitTextsByteForByte) {
    TRecordTable table;
    const QByteArray bytes("\xB0"
                           "C\x80\xFF\x00x",
                           6);
    table.Append(Reading(1, bytes));
    EXPECT_EQ(table.At(0).TextOf(TField::Time), bytes);
}

TEST(RecordTable, HoldsManyRowsAndManyDistinctTexts) {
    // Crosses several storage blocks and grows the text index many times.
    TRecordTable table;
    constexpr int kRows = 70000;
    for (int i = 0; i < kRows; ++i)
        table.Append(Reading(i, QByteArray::number(i), QByteArray::number(i % 1000) + "%RH"));
    ASSERT_EQ(table.Count(), kRows);
    for (int i : {0, 16383, 16384, 32768, kRows - 1}) {
        EXPECT_EQ(table.At(i),
                  Reading(i, QByteArray::number(i), QByteArray::number(i % 1000) + "%RH"))
            << i;
    }
}

TEST(RecordTable, LogsOneTriplePerLoggedAppend) {
    TRecordTable table;
    for (int i = 1; i <= 3; ++i)
        table.Append(Reading(i, "t"));
    const std::vector<TChange> expected{{1, 0, 4}, {2, 0, 4}, {3, 0, 4}};
    EXPECT_EQ(table.ChangeLog(), expected);
    EXPECT_EQ(table.ChangeCount(), 3);
    table.Append(Reading(4, "t"), false); // loaded from a text file: not logged
    table.Append(Reading(5, "t"));
    EXPECT_FALSE(table.IsLoggedAppend(3));
    EXPECT_TRUE(table.IsLoggedAppend(4));
    EXPECT_EQ(table.ChangeLog().back(), (TChange{5, 0, 4}));
    EXPECT_EQ(table.ChangeCount(), 4);
    table.Clear();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.ChangeLog().empty());
    table.Append(Reading(1, "t"));
    EXPECT_EQ(table.ChangeLog(), std::vector<TChange>{(TChange{1, 0, 4})});
}

TEST(RecordTable, ReplaceTakesOverRowsFlagsAndLog) {
    TRecordTable table;
    table.Append(Reading(9, "old"));
    const std::vector<TChange> log{{2, 0, 4}, {1, 0, 4}, {3, 7, 2}};
    table.Replace({Reading(1, "a"), Reading(2, "b"), Reading(3, "c")}, {false, true}, log);
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.At(2), Reading(3, "c"));
    EXPECT_FALSE(table.IsLoggedAppend(0));
    EXPECT_TRUE(table.IsLoggedAppend(1));
    EXPECT_FALSE(table.IsLoggedAppend(2)); // missing flags count as not logged
    EXPECT_EQ(table.ChangeLog(), log);
    table.Append(Reading(4, "d"));
    EXPECT_EQ(table.ChangeLog().back(), (TChange{4, 0, 4}));
}

TEST(RecordTable, ListenersHearAppendsAndOneResetAfterSuspension) {
    TRecordTable table;
    TRecordingListener listener;
    table.AddListener(&listener);
    table.Append(Reading(1, "t"));
    table.Append(Reading(2, "t"));
    EXPECT_EQ(listener.appended, (std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {1, 1}}));
    table.SuspendUpdates();
    table.SuspendUpdates();
    table.Append(Reading(3, "t"));
    table.Clear();
    table.ResumeUpdates();
    EXPECT_EQ(listener.resets, 0);
    table.ResumeUpdates();
    EXPECT_EQ(listener.resets, 1);
    EXPECT_EQ(listener.appended.size(), 2u);
    table.SuspendUpdates();
    table.ResumeUpdates(); // nothing changed: no reset
    EXPECT_EQ(listener.resets, 1);
    table.RemoveListener(&listener);
    table.Append(Reading(1, "t"));
    EXPECT_EQ(listener.appended.size(), 2u);
}

// Each field keeps the last text it stored in front of the text pool. It must never hand out a
// text of another field, one cut differently, or one from before the pool was emptied or
// handed over.
TEST(RecordTable, LastTextsNeverLeakAcrossFieldsOrEmptiedPools) {
    TRecordTable table;
    table.Append(Reading(1, "a", "b", "c", "d"));
    table.Append(Reading(2, "b", "a", "d", "c")); // each field's last text is another's
    EXPECT_EQ(table.At(1), Reading(2, "b", "a", "d", "c"));
    table.Clear();
    // The emptied pool gives its first ids to new texts; a stale "a" of Time would be "x".
    TRecord onlyValue;
    onlyValue.TextOf(TField::Value) = QByteArray("x");
    table.Append(onlyValue);
    table.Append(Reading(3, "b", "a", "d", "c"));
    EXPECT_EQ(table.At(0), onlyValue);
    EXPECT_EQ(table.At(1), Reading(3, "b", "a", "d", "c"));

    table.Replace({Reading(1, "p", "q", "r", "s")}, {true}, {});
    table.Append(Reading(4, "b", "a", "d", "c"));
    EXPECT_EQ(table.At(1), Reading(4, "b", "a", "d", "c"));

    TRecordTable other;
    other.Append(Reading(7, "y", "z", "x", "w"));
    table.TakeFrom(other);
    table.Append(Reading(8, "b", "a", "d", "c")); // the last texts came over with the pool
    other.Append(Reading(9, "y", "z", "x", "w")); // and other starts afresh
    EXPECT_EQ(Records(table), (std::vector<TRecord>{Reading(7, "y", "z", "x", "w"),
                                                    Reading(8, "b", "a", "d", "c")}));
    EXPECT_EQ(Records(other), std::vector<TRecord>{Reading(9, "y", "z", "x", "w")});
}

TEST(RecordTable, LastTextsTellCutEmptyAndMissingTextsApart) {
    TRecordTable table;
    TRecord empty = Reading(1, "");
    TRecord missing = Reading(2, "x");
    missing.TextOf(TField::Time).reset();
    const std::vector<TRecord> appended{Reading(0, "123456789012345678901"), // cut to 20
                                        Reading(0, "12345678901234567890"),
                                        Reading(0, "1234567890123456789"),
                                        empty,
                                        missing,
                                        empty,
                                        Reading(3, "a"),
                                        Reading(4, "ab"),
                                        Reading(5, "abcdefgh"),
                                        Reading(6, "abcdefgi"),
                                        Reading(7, "bbcdefgh")};
    for (const TRecord& r : appended)
        table.Append(r);
    for (size_t i = 0; i < appended.size(); ++i) {
        TRecord expected = appended[i];
        if (i == 0)
            expected.TextOf(TField::Time) = QByteArray("12345678901234567890");
        EXPECT_EQ(table.At(int64_t(i)), expected) << i;
    }
}

// A model check: appends of a few texts in varying fields, mixed with the operations that empty
// or replace the pool, must read back exactly what went in.
TEST(RecordTable, MixedAppendsAndReplacementsReadBackExactly) {
    const QByteArray texts[] = {"", "#", "$", "45.3%RH", "23.4", "12:00", "12:01", "DEW#"};
    TRecordTable table;
    TRecordTable spare;
    std::vector<TRecord> model;
    std::vector<TRecord> spareModel;
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 4000; ++step) {
        const uint32_t op = next(100);
        if (op < 85) {
            TRecord r;
            r.No = step;
            for (auto& text : r.Text) {
                const uint32_t pick = next(9);
                if (pick < 8)
                    text = texts[pick];
            }
            (op < 75 ? table : spare).Append(r);
            (op < 75 ? model : spareModel).push_back(r);
        } else if (op < 90) {
            table.Clear();
            model.clear();
        } else if (op < 95) {
            table.TakeFrom(spare);
            model = std::move(spareModel);
            spareModel.clear();
        } else {
            const std::vector<TRecord> replacement(size_t(next(4)), Reading(step, texts[next(8)]));
            table.Replace(replacement, {}, {});
            model = replacement;
        }
        ASSERT_EQ(table.Count(), int64_t(model.size())) << step;
        if (!model.empty()) {
            ASSERT_EQ(table.At(table.Count() - 1), model.back()) << step;
        }
    }
    EXPECT_EQ(Records(table), model);
    EXPECT_EQ(Records(spare), spareModel);
}

TEST(RecordTable, TakeFromMovesRowsFlagsAndLogAndEmptiesTheSource) {
    TRecordTable table;
    table.Append(Reading(9, "old"));
    TRecordTable source;
    source.Append(Reading(1, "a"));
    source.Append(Reading(2, "b"), false);
    source.ReplaceChangeLog({{2, 0, 4}, {1, 0, 4}});
    TRecordingListener tableListener, sourceListener;
    table.AddListener(&tableListener);
    source.AddListener(&sourceListener);
    table.TakeFrom(source);
    EXPECT_EQ(Records(table), (std::vector<TRecord>{Reading(1, "a"), Reading(2, "b")}));
    EXPECT_TRUE(table.IsLoggedAppend(0));
    EXPECT_FALSE(table.IsLoggedAppend(1));
    EXPECT_EQ(table.ChangeLog(), (std::vector<TChange>{{2, 0, 4}, {1, 0, 4}}));
    EXPECT_TRUE(source.IsEmpty());
    EXPECT_TRUE(source.ChangeLog().empty());
    EXPECT_EQ(tableListener.resets, 1);
    EXPECT_EQ(sourceListener.resets, 1);
    table.Append(Reading(3, "c"));
    EXPECT_EQ(table.ChangeLog().back(), (TChange{3, 0, 4}));
    table.TakeFrom(table); // taking from itself changes nothing
    EXPECT_EQ(table.Count(), 3);
}

TEST(RecordTable, ReplaceChangeLogKeepsTheRows) {
    TRecordTable table;
    table.Append(Reading(1, "a"));
    table.Append(Reading(2, "b"));
    const std::vector<TChange> log{{2, 1, 2}};
    table.ReplaceChangeLog(log);
    EXPECT_EQ(table.ChangeLog(), log);
    EXPECT_EQ(table.ChangeCount(), 1);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_TRUE(table.IsLoggedAppend(1));
    table.ReplaceChangeLog({});
    EXPECT_TRUE(table.ChangeLog().empty());
}

TEST(RecordTable, KeepsEachRecordsReceivedTimeThroughEveryWayIn) {
    TRecordTable table;
    TRecord received = Reading(1, "05:59");
    received.Received = 1'765'000'000'123; // 2025-12-06, milliseconds kept
    TRecord opened = Reading(2, "06:00");  // a record read from a file has none
    table.Append(received);
    table.Append(TRecordView::Of(opened), false);
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.ReceivedAt(0), received.Received);
    EXPECT_EQ(table.ReceivedAt(1), kNoReceivedTime);
    EXPECT_EQ(table.At(0), received);
    EXPECT_EQ(TRecordView::Of(received).ToRecord(), received);
    EXPECT_THROW(table.ReceivedAt(2), std::out_of_range);

    TRecordTable other;
    other.TakeFrom(table);
    EXPECT_EQ(other.ReceivedAt(0), received.Received);
    table.Replace({received, opened}, {true, false}, {});
    EXPECT_EQ(Records(table), (std::vector<TRecord>{received, opened}));
    table.Clear();
    table.Append(Reading(3, "06:01"));
    EXPECT_EQ(table.ReceivedAt(0), kNoReceivedTime) << "a row reused after Clear keeps no old time";
}

TEST(RecordTable, ReceivedTimeReadsAsLocalTimeWithItsOffset) {
    EXPECT_FALSE(ReceivedLocalTime(kNoReceivedTime).isValid());
    const TReceivedTime now = ReceivedNow();
    const QDateTime local = ReceivedLocalTime(now);
    ASSERT_TRUE(local.isValid());
    EXPECT_EQ(local.toMSecsSinceEpoch(), now);
    EXPECT_EQ(local.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(local.offsetFromUtc(), QDateTime::currentDateTime().offsetFromUtc());
}

TEST(RecordTable, RepeatedReadingsCostFewBytesPerRecord) {
    TRecordTable table;
    constexpr int kRows = 200000;
    for (int i = 0; i < kRows; ++i)
        table.Append(Reading(i, "05:" + QByteArray::number(i % 60), "45.3%RH", "23.4", "#"));
    EXPECT_LE(table.MemoryBytes() / kRows, 32u);
}

} // namespace
