#include "cli/ReadingLine.h"

QByteArray ReadingLine(const QDateTime& when, const QByteArray& time, const QByteArray& humidity,
                       const QByteArray& temperature, const QByteArray& unit) {
    return IsoLocalTime(when) + '\t' + time + '\t' + humidity + '\t' + temperature + '\t' + unit +
           '\n';
}
