#pragma once
// Wall-clock times as text for people and spreadsheets.

#include <QByteArray>
#include <QDateTime>

// Both write the time as the given date-time holds it (local time for the program's clocks).
// "2026-12-10T11:20:05+01:00": ISO 8601 with the UTC offset (always written, "+00:00" for UTC).
QByteArray IsoLocalTime(const QDateTime& when);
// "2026-12-10 11:20:05": the same without an offset, which spreadsheets read as a date.
QByteArray PlainLocalTime(const QDateTime& when);
