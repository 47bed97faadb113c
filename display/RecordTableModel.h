#pragma once
// The grid's view of the record table (the data source Data1): five read-only columns No, Time,
// %RH, Temp and Unit, then "Received" (the local date and time the program received the record;
// empty for records opened from a file), which the window hides until asked for. Every cell's
// tooltip names the moment the record was received. Appends arrive as row insertions, never as a
// reset, so the grid only lays out the new row; emptying or replacing the table resets the model.

#include "records/RecordTable.h"

#include <QAbstractTableModel>
#include <functional>

class TRecordTableModel : public QAbstractTableModel, private IRecordTableListener {
    Q_OBJECT
public:
    // The raw 8-bit text of a cell (the Unit column's glyph text is drawn from it).
    static constexpr int RawTextRole = Qt::UserRole + 1;
    // The column after the record's own fields.
    static constexpr int ReceivedColumn = kFieldCount;

    explicit TRecordTableModel(TRecordTable& table, QObject* parent = nullptr);
    ~TRecordTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Column titles in order: "No", "Time", "%RH", "Temp", "Unit".
    static QString ColumnTitle(TField field);
    // "2026-12-10 11:20:05" in local time, or empty for a record never received (opened).
    QString ReceivedText(int64_t row) const;

    // Rows for which this answers true are drawn in red (a reading beyond an alarm limit).
    std::function<bool(int64_t row)> rowAlarm;
    // The rule behind rowAlarm changed: the views draw every row again.
    void RowAlarmsChanged();

private:
    QVariant ReceivedData(int row, int role) const;
    QVariant ToolTip(int row, TField field) const;
    void RecordsAppended(int64_t first, int64_t last) override;
    void RecordsReset() override;

    TRecordTable& table_;
    int rows_ = 0; // rows announced to the views
};
