#pragma once
// The machine-readable forms of one reading: CSV, JSON lines and InfluxDB line protocol, beside
// the TAB-separated line of cli/ReadingLine.h. A reading's texts are turned into numbers first
// (tenths, as the logger shows them); a quantity the logger shows no reading for ("----",
// "--.-") has no number and is left out (influx), empty (csv) or null (json).

#include "records/LoggingPolicy.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

enum class TReadingFormat { Tsv, Csv, Jsonl, Influx };

// "tsv", "csv", "jsonl", "influx"; nullopt for any other text.
std::optional<TReadingFormat> ReadingFormatNamed(const QString& name);

struct TReadingValues {
    QDateTime when;                       // local time the reading arrived
    QByteArray loggerTime;                // the logger's own time field ("05:59")
    std::optional<int> humidityTenths;    // percent x 10
    std::optional<int> temperatureTenths; // degrees x 10, in the unit below
    bool fahrenheit = false;              // unit mark "?" (else "#", Celsius)
    bool dewPoint = false;                // "DEW" before the unit mark
    QByteArray name;                      // the logger's name (see ValidLoggerName)
};

// The values of a decoded reading whose texts use `decimalSep`.
TReadingValues ReadingValues(const QDateTime& when, const TReading& reading,
                             const QByteArray& decimalSep, const QByteArray& name);

// A number of tenths as decimal text with a point: -234 -> "-23.4", 53 -> "5.3".
QByteArray TenthsText(int tenths);

// The first line of a CSV file, and one line per reading (CRLF-terminated, RFC 4180).
QByteArray CsvHeader();
QByteArray CsvLine(const TReadingValues& values);
// {"time":...,"logger_time":...,"humidity":...,"temperature_C":...,"dew_point":...,"name":...}
QByteArray JsonObject(const TReadingValues& values);
// One line of InfluxDB line protocol, measurement rx47, nanosecond UTC timestamp.
QByteArray InfluxLine(const TReadingValues& values);
// The reading as `format` writes it (ending in a newline); `tsv` needs the texts as well.
QByteArray FormatReading(TReadingFormat format, const TReadingValues& values,
                         const TReading& reading);

// A logger name fits a topic, a tag, a metric label and a Home Assistant id as it is: 1 to 64
// letters, digits, '-' or '_'. A serial number that does not is made to fit by SafeLoggerName.
bool ValidLoggerName(const QString& name);
QByteArray SafeLoggerName(const QString& text);
