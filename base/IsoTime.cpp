#include "base/IsoTime.h"

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

QByteArray PlainLocalTime(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
}
