#include "display/RecordTableModel.h"

#include "base/Ansi.h"
#include "display/LcdGlyphs.h"

#include <QColor>

TRecordTableModel::TRecordTableModel(TRecordTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), rows_(int(table.Count())) {
    table_.AddListener(this);
}

TRecordTableModel::~TRecordTableModel() {
    table_.RemoveListener(this);
}

int TRecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TRecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFieldCount;
}

QString TRecordTableModel::ColumnTitle(TField field) {
    switch (field) {
    case TField::No:
        return QStringLiteral("No");
    case TField::Time:
        return QStringLiteral("Time");
    case TField::Value:
        return QStringLiteral("%RH"); // the field's display label
    case TField::Range:
        return QStringLiteral("Temp");
    case TField::Unit:
        return QStringLiteral("Unit");
    }
    return {};
}

QVariant TRecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= kFieldCount)
        return {};
    const auto field = TField(index.column());
    if (role == Qt::TextAlignmentRole) {
        switch (field) {
        case TField::No: // the integer field's own alignment
        case TField::Value:
        case TField::Unit:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        case TField::Time:
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        case TField::Range:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    if (role == Qt::ForegroundRole)
        return rowAlarm && rowAlarm(index.row()) ? QVariant(QColor(220, 0, 0)) : QVariant();
    if (role != Qt::DisplayRole && role != RawTextRole && role != Qt::ToolTipRole)
        return {};
    if (field == TField::No) {
        const auto no = table_.NoAt(index.row());
        if (!no)
            return {};
        return role == RawTextRole ? QVariant(QByteArray::number(*no)) : QVariant(*no);
    }
    const auto text = table_.TextAt(index.row(), field);
    if (!text)
        return {};
    const QByteArray bytes = text->toByteArray();
    if (role == RawTextRole)
        return bytes;
    if (role == Qt::ToolTipRole)
        return field == TField::Unit ? GlyphTextToPlain(bytes) : QVariant();
    return AnsiToQString(bytes);
}

QVariant TRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kFieldCount)
        return {};
    return ColumnTitle(TField(section));
}

Qt::ItemFlags TRecordTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TRecordTableModel::RecordsAppended(int64_t first, int64_t last) {
    if (first != rows_) { // not contiguous with what the views know: start over
        RecordsReset();
        return;
    }
    beginInsertRows({}, int(first), int(last));
    rows_ = int(last + 1);
    endInsertRows();
}

void TRecordTableModel::RowAlarmsChanged() {
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, kFieldCount - 1), {Qt::ForegroundRole});
}

void TRecordTableModel::RecordsReset() {
    beginResetModel();
    rows_ = int(table_.Count());
    endResetModel();
}
