#include "records/ReadingStatistics.h"

#include "base/Ansi.h"

#include <algorithm>

void TStatistics::Add(double value, int64_t row) {
    if (count == 0) {
        min = max = value;
        firstRow = row;
    } else {
        min = std::min(min, value);
        max = std::max(max, value);
    }
    sum += value;
    ++count;
}

TReadingStatistics::TReadingStatistics(TRecordTable& table, TQuantity quantity)
    : table_(table), quantity_(quantity) {
    table_.AddListener(this);
    Recount();
}

TReadingStatistics::~TReadingStatistics() {
    table_.RemoveListener(this);
}

void TReadingStatistics::SetQuantity(TQuantity quantity) {
    if (quantity == quantity_)
        return;
    quantity_ = quantity;
    Recount();
    if (changed)
        changed();
}

void TReadingStatistics::RecordsAppended(int64_t first, int64_t last) {
    for (int64_t row = first; row <= last; ++row) {
        if (const auto value = QuantityValue(table_, row, quantity_))
            stats_.Add(*value, row);
    }
    if (changed)
        changed();
}

void TReadingStatistics::RecordsReset() {
    Recount();
    if (changed)
        changed();
}

void TReadingStatistics::Recount() {
    stats_ = {};
    const int64_t count = table_.Count();
    for (int64_t row = 0; row < count; ++row) {
        if (const auto value = QuantityValue(table_, row, quantity_))
            stats_.Add(*value, row);
    }
}

QString StatisticsLine(const TStatistics& stats, TQuantity quantity, const TRecordTable& table) {
    const QString name =
        quantity == TQuantity::Humidity ? QStringLiteral("%RH") : QStringLiteral("Temp");
    if (stats.count == 0)
        return QStringLiteral("%1: no readings").arg(name);
    QString from;
    if (const QDateTime since = ReceivedLocalTime(table.ReceivedAt(stats.firstRow));
        since.isValid()) {
        from = since.toString(QStringLiteral("yyyy-MM-dd HH:mm")); // the line is short
    } else {
        const auto no = table.NoAt(stats.firstRow);
        const auto time = table.TextAt(stats.firstRow, TField::Time);
        from = QStringLiteral("No %1").arg(no ? QString::number(*no) : QStringLiteral("?"));
        if (time)
            from += QStringLiteral(" (%1)").arg(AnsiToQString(time->toByteArray()));
    }
    return QStringLiteral("%1: %2 %3, min %4, max %5, mean %6 since %7")
        .arg(name)
        .arg(stats.count)
        .arg(stats.count == 1 ? QStringLiteral("reading") : QStringLiteral("readings"))
        .arg(stats.min, 0, 'f', 1)
        .arg(stats.max, 0, 'f', 1)
        .arg(stats.Mean(), 0, 'f', 2)
        .arg(from);
}
