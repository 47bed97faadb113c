#include "cli/ReadingLine.h"

#include <cstdlib>

QByteArray IsoLocalTime(const QDateTime& when) {
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString zone = QStringLiteral("%1%2:%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return (when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + zone).toLatin1();
}

QByteArray ReadingLine(const QDateTime& when, const QByteArray& time, const QByteArray& humidity,
                       const QByteArray& temperature, const QByteArray& unit) {
    return IsoLocalTime(when) + '\t' + time + '\t' + humidity + '\t' + temperature + '\t' + unit +
           '\n';
}
