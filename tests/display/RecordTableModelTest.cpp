// The grid's model of the record table.

#include "display/RecordTableModel.h"

#include <gtest/gtest.h>

namespace {

TRecord Reading(int32_t no) {
    TRecord r;
    r.No = no;
    r.TextOf(TField::Time) = "05:59";
    r.TextOf(TField::Value) = "45.3%RH";
    r.TextOf(TField::Range) = "-23.4";
    r.TextOf(TField::Unit) = "DEW#";
    return r;
}

TEST(RecordTableModel, ColumnsTitlesAndAlignments) {
    TRecordTable table;
    TRecordTableModel model(table);
    ASSERT_EQ(model.columnCount(), 6);
    QStringList titles;
    for (int c = 0; c < 6; ++c)
        titles << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{"No", "Time", "%RH", "Temp", "Unit", "Received"}));
    table.Append(Reading(7));
    const auto align = [&](int c) {
        return model.index(0, c).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignRight);
    EXPECT_EQ(align(1), Qt::AlignHCenter);
    EXPECT_EQ(align(2), Qt::AlignRight);
    EXPECT_EQ(align(3), Qt::AlignLeft);
    EXPECT_EQ(align(4), Qt::AlignRight);
    EXPECT_EQ(align(5), Qt::AlignLeft);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
}

TEST(RecordTableModel, ShowsCellsAndTheUnitsGlyphText) {
    TRecordTable table;
    TRecordTableModel model(table);
    table.Append(Reading(7));
    TRecord empty;
    table.Append(empty);
    EXPECT_EQ(model.index(0, 0).data().toInt(), 7);
    EXPECT_EQ(model.index(0, 1).data().toString(), QStringLiteral("05:59"));
    EXPECT_EQ(model.index(0, 3).data().toString(), QStringLiteral("-23.4"));
    EXPECT_EQ(model.index(0, 4).data(TRecordTableModel::RawTextRole).toByteArray(),
              QByteArray("DEW#"));
    EXPECT_FALSE(model.index(1, 0).data().isValid());
    EXPECT_FALSE(model.index(1, 2).data().isValid());
}

// The received moment: its own column and every cell's tooltip; a record opened from a file has
// none, so its Received cell is empty and only the Unit cell keeps a tooltip (its glyphs).
TEST(RecordTableModel, ReceivedColumnAndTooltips) {
    TRecordTable table;
    TRecordTableModel model(table);
    const QDateTime when(QDate(2026, 12, 10), QTime(11, 20, 5));
    TRecord received = Reading(1);
    received.Received = when.toMSecsSinceEpoch();
    table.Append(received);
    table.Append(Reading(2)); // no received time
    const int col = TRecordTableModel::ReceivedColumn;
    EXPECT_EQ(model.index(0, col).data().toString(), QStringLiteral("2026-12-10 11:20:05"));
    EXPECT_EQ(model.index(1, col).data().toString(), QString());
    for (int c = 0; c <= col; ++c) {
        SCOPED_TRACE(c);
        EXPECT_TRUE(model.index(0, c)
                        .data(Qt::ToolTipRole)
                        .toString()
                        .endsWith(QStringLiteral("Received 2026-12-10 11:20:05")));
        EXPECT_EQ(model.index(1, c).data(Qt::ToolTipRole).isValid(), c == int(TField::Unit));
    }
    EXPECT_FALSE(model.index(1, int(TField::Unit))
                     .data(Qt::ToolTipRole)
                     .toString()
                     .contains(QStringLiteral("Received")));
}

TEST(RecordTableModel, AppendsAreRowInsertionsAndClearIsAReset) {
    TRecordTable table;
    TRecordTableModel model(table);
    std::vector<std::pair<int, int>> inserted;
    int resets = 0;
    QObject::connect(
        &model, &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    table.Append(Reading(1));
    table.Append(Reading(2));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(resets, 0);
    table.Clear();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.rowCount(), 0);
    table.SuspendUpdates();
    table.Append(Reading(1));
    EXPECT_EQ(model.rowCount(), 0);
    table.ResumeUpdates();
    EXPECT_EQ(model.rowCount(), 1);
}

} // namespace
