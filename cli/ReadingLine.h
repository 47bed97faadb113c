#pragma once
// One line of `rx47-cli read`: the local wall-clock time in ISO 8601 with its UTC offset, then
// the record fields Time, %RH, Temp and Unit, TAB-separated.

#include "base/IsoTime.h"

#include <QByteArray>
#include <QDateTime>

QByteArray ReadingLine(const QDateTime& when, const QByteArray& time, const QByteArray& humidity,
                       const QByteArray& temperature, const QByteArray& unit);
