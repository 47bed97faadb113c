#pragma once
// One line of `rx47-cli read`: the local wall-clock time in ISO 8601 with its UTC offset, then
// the record fields Time, %RH, Temp and Unit, TAB-separated.

#include <QByteArray>
#include <QDateTime>

// "2026-12-10T11:20:05+01:00" (the offset is always written, "+00:00" for UTC).
QByteArray IsoLocalTime(const QDateTime& when);

QByteArray ReadingLine(const QDateTime& when, const QByteArray& time, const QByteArray& humidity,
                       const QByteArray& temperature, const QByteArray& unit);
