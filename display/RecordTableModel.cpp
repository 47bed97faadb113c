#include "display/RecordTableModel.h"

#include "base/Ansi.h"
#include "base/IsoTime.h"
#include "display/LcdGlyphs.h"

#include <QColor>
#include <QStringList>

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
    return parent.isValid() ? 0 : ReceivedColumn + 1;
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
    if (!index.isValid() || index.row() >= rows_ || index.column() > ReceivedColumn)
        return {};
    if (role == Qt::ForegroundRole)
        return rowAlarm && rowAlarm(index.row()) ? QVariant(QColor(220, 0, 0)) : QVariant();
    if (index.column() == ReceivedColumn)
        return ReceivedData(index.row(), role);
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
    if (role == Qt::ToolTipRole)
        return ToolTip(index.row(), field);
    if (role != Qt::DisplayRole && role != RawTextRole)
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
    return AnsiToQString(bytes);
}

QString TRecordTableModel::ReceivedText(int64_t row) const {
    const QDateTime when = ReceivedLocalTime(table_.ReceivedAt(row));
    return when.isValid() ? QString::fromLatin1(PlainLocalTime(when)) : QString();
}

QVariant TRecordTableModel::ReceivedData(int row, int role) const {
    switch (role) {
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::DisplayRole:
    case RawTextRole:
        return ReceivedText(row);
    case Qt::ToolTipRole:
        return ToolTip(row, TField::No);
    default:
        return {};
    }
}

// The Unit cell's tooltip spells out its glyphs; every cell adds when the record was received.
QVariant TRecordTableModel::ToolTip(int row, TField field) const {
    QStringList lines;
    if (field == TField::Unit) {
        if (const auto text = table_.TextAt(row, field))
            lines << GlyphTextToPlain(text->toByteArray());
    }
    const QString received = ReceivedText(row);
    if (!received.isEmpty())
        lines << QStringLiteral("Received %1").arg(received);
    return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
}

QVariant TRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section > ReceivedColumn)
        return {};
    return section == ReceivedColumn ? QStringLiteral("Received") : ColumnTitle(TField(section));
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
        emit dataChanged(index(0, 0), index(rows_ - 1, ReceivedColumn), {Qt::ForegroundRole});
}

void TRecordTableModel::RecordsReset() {
    beginResetModel();
    rows_ = int(table_.Count());
    endResetModel();
}
