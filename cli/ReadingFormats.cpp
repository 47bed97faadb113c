#include "cli/ReadingFormats.h"

#include "cli/ReadingLine.h"

#include <cstdlib>

std::optional<TReadingFormat> ReadingFormatNamed(const QString& name) {
    const std::pair<const char*, TReadingFormat> formats[] = {{"tsv", TReadingFormat::Tsv},
                                                              {"csv", TReadingFormat::Csv},
                                                              {"jsonl", TReadingFormat::Jsonl},
                                                              {"influx", TReadingFormat::Influx}};
    for (const auto& [text, format] : formats) {
        if (name == QLatin1String(text))
            return format;
    }
    return std::nullopt;
}

namespace {

// "45.3" (or "4,5,3"-style with another separator) -> 453; the separator sits before the last
// digit, as the decoder puts it. Anything but an optional minus and decimal digits is no number:
// dashes (no reading) and the letters a frame may show.
std::optional<int> ParseTenths(const QByteArray& text, const QByteArray& decimalSep) {
    QByteArray digits = text;
    const qsizetype sepAt = text.size() - 1 - decimalSep.size();
    if (!decimalSep.isEmpty()) {
        if (sepAt < 0 || text.mid(sepAt, decimalSep.size()) != decimalSep)
            return std::nullopt;
        digits = text.left(sepAt) + text.right(1);
    }
    const bool negative = digits.startsWith('-');
    if (negative)
        digits.remove(0, 1);
    if (digits.isEmpty() || digits.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

QByteArray JsonNumber(const std::optional<int>& tenths) {
    return tenths ? TenthsText(*tenths) : QByteArray("null");
}

QByteArray TemperatureKey(const TReadingValues& values) {
    return values.fahrenheit ? "temperature_F" : "temperature_C";
}

QByteArray Bool(bool value) {
    return value ? "true" : "false";
}

} // namespace

TReadingValues ReadingValues(const QDateTime& when, const TReading& reading,
                             const QByteArray& decimalSep, const QByteArray& name) {
    TReadingValues values;
    values.when = when;
    values.loggerTime = reading.Time;
    QByteArray humidity = reading.Humidity;
    if (humidity.endsWith("%RH"))
        humidity.chop(3);
    values.humidityTenths = ParseTenths(humidity, decimalSep);
    values.temperatureTenths = ParseTenths(reading.Temperature, decimalSep);
    values.fahrenheit = reading.Unit.endsWith('?');
    values.dewPoint = reading.Unit.startsWith("DEW");
    values.name = name;
    return values;
}

QByteArray TenthsText(int tenths) {
    const int whole = std::abs(tenths);
    return (tenths < 0 ? "-" : "") + QByteArray::number(whole / 10) + '.' +
           QByteArray::number(whole % 10);
}

QByteArray CsvHeader() {
    return "time,logger_time,humidity,temperature,unit,dew_point,name\r\n";
}

QByteArray CsvLine(const TReadingValues& v) {
    const auto number = [](const std::optional<int>& tenths) {
        return tenths ? TenthsText(*tenths) : QByteArray();
    };
    return IsoLocalTime(v.when) + ',' + v.loggerTime + ',' + number(v.humidityTenths) + ',' +
           number(v.temperatureTenths) + ',' + (v.fahrenheit ? "F" : "C") + ',' + Bool(v.dewPoint) +
           ',' + v.name + "\r\n";
}

QByteArray JsonObject(const TReadingValues& v) {
    // Every text here is plain ASCII without quotes or backslashes (a time, digits and a colon,
    // a checked name), so no escaping is needed.
    return "{\"time\":\"" + IsoLocalTime(v.when) + "\",\"logger_time\":\"" + v.loggerTime +
           "\",\"humidity\":" + JsonNumber(v.humidityTenths) + ",\"" + TemperatureKey(v) +
           "\":" + JsonNumber(v.temperatureTenths) + ",\"dew_point\":" + Bool(v.dewPoint) +
           ",\"name\":\"" + v.name + "\"}";
}

QByteArray InfluxLine(const TReadingValues& v) {
    QByteArray fields;
    if (v.humidityTenths)
        fields += "humidity=" + TenthsText(*v.humidityTenths) + ',';
    if (v.temperatureTenths)
        fields += TemperatureKey(v) + '=' + TenthsText(*v.temperatureTenths) + ',';
    fields += "dew_point=" + Bool(v.dewPoint) + ",logger_time=\"" + v.loggerTime + '"';
    const qint64 nanoseconds = v.when.toMSecsSinceEpoch() * 1000000;
    return "rx47,name=" + v.name + ' ' + fields + ' ' + QByteArray::number(nanoseconds) + '\n';
}

QByteArray FormatReading(TReadingFormat format, const TReadingValues& values,
                         const TReading& reading) {
    switch (format) {
    case TReadingFormat::Csv:
        return CsvLine(values);
    case TReadingFormat::Jsonl:
        return JsonObject(values) + '\n';
    case TReadingFormat::Influx:
        return InfluxLine(values);
    case TReadingFormat::Tsv:
        break;
    }
    return ReadingLine(values.when, reading.Time, reading.Humidity, reading.Temperature,
                       reading.Unit);
}

bool ValidLoggerName(const QString& name) {
    if (name.isEmpty() || name.size() > 64)
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '-' || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

QByteArray SafeLoggerName(const QString& text) {
    QByteArray name;
    for (const QChar c : text.left(64))
        name += ValidLoggerName(QString(c)) ? char(c.unicode()) : '_';
    return name.isEmpty() ? QByteArray("rx47") : name;
}
