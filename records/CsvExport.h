#pragma once
// The record table as a spreadsheet file: UTF-8 (with a byte-order mark, so that spreadsheets
// on every system take the degree sign as UTF-8), a header line, then one line per record,
// every line ending with CR LF. Where the locale writes numbers with a decimal comma, the items
// are separated by semicolons and numbers carry a comma; otherwise commas and points.
//
// Columns: the date and time the program received the record (ISO 8601 with its UTC offset),
// the same in local time without an offset (which spreadsheets read as a date), No, the logger's
// time, humidity and temperature as numbers, the unit as °C or °F, and whether the logger was in
// dew-point mode ("yes" or "no"). A cell is empty where the record has no such value: no
// received time (records opened from a file), or no reading (the logger showed dashes).

#include "records/DataFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class TRecordTable;

struct TCsvStyle {
    char separator = ',';
    char decimal = '.';
    // The style for a locale whose decimal separator is the given text ("," gives ';' and ',').
    static TCsvStyle ForDecimalSeparator(const QByteArray& localeDecimal);
};

// When a row was received, or nothing.
using TReceivedAt = std::function<std::optional<QDateTime>(int64_t row)>;

QByteArray CsvHeader(const TCsvStyle& style);
void AppendCsvLine(QByteArray& out, const TRecordTable& table, int64_t row,
                   const std::optional<QDateTime>& received, const TCsvStyle& style);

// Writes the whole table through a temporary file that replaces fileName only once complete.
// Returns an empty text on success, else the system's reason.
QString ExportTableToCsv(const TRecordTable& table, const QString& fileName, const TCsvStyle& style,
                         const TReceivedAt& receivedAt = {}, const TFileProgress& progress = {});

// Whether a file name asks for a spreadsheet file (ends in ".csv", any case).
bool IsCsvFileName(const QString& fileName);
