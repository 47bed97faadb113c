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
#include <QString>

class TRecordTable;

struct TCsvStyle {
    char separator = ',';
    char decimal = '.';
    // The style for a locale whose decimal separator is the given text ("," gives ';' and ',').
    static TCsvStyle ForDecimalSeparator(const QByteArray& localeDecimal);
};

QByteArray CsvHeader(const TCsvStyle& style);
// The received times come from the table, in local time with the offset of their instant.
void AppendCsvLine(QByteArray& out, const TRecordTable& table, int64_t row, const TCsvStyle& style);

// Writes the whole table through a temporary file that replaces fileName only once complete.
// Returns an empty text on success, else the system's reason.
QString ExportTableToCsv(const TRecordTable& table, const QString& fileName, const TCsvStyle& style,
                         const TFileProgress& progress = {});

// Whether a file name asks for a spreadsheet file (ends in ".csv", any case).
bool IsCsvFileName(const QString& fileName);
