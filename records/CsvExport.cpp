#include "records/CsvExport.h"

#include "base/Ansi.h"
#include "base/FileWrite.h"
#include "base/IsoTime.h"
#include "records/ReadingValues.h"
#include "records/RecordTable.h"

namespace {

constexpr qsizetype kChunkBytes = 1 << 20;
constexpr int64_t kRowsPerProgress = 1 << 14;

// Quotes an item that holds the separator, a quote or a line break; a quote inside is doubled.
void AppendItem(QByteArray& out, const QByteArray& item, const TCsvStyle& style) {
    const bool quote = item.contains(style.separator) || item.contains('"') ||
                       item.contains('\r') || item.contains('\n');
    if (!quote) {
        out.append(item);
        return;
    }
    out.append('"');
    for (const char c : item) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

QByteArray NumberText(std::optional<double> value, const TCsvStyle& style) {
    if (!value)
        return {};
    QByteArray text = QByteArray::number(*value, 'f', 1);
    if (style.decimal != '.')
        text.replace('.', style.decimal);
    return text;
}

QByteArray TextOf(const TRecordTable& table, int64_t row, TField field) {
    const auto text = table.TextAt(row, field);
    return text ? AnsiToQString(text->toByteArray()).trimmed().toUtf8() : QByteArray();
}

} // namespace

TCsvStyle TCsvStyle::ForDecimalSeparator(const QByteArray& localeDecimal) {
    if (localeDecimal == ",")
        return {';', ','};
    return {',', '.'};
}

QByteArray CsvHeader(const TCsvStyle& style) {
    const char* const titles[] = {
        "Received", "Received (local time)", "No", "Time", "%RH", "Temp", "Unit", "Dew point"};
    QByteArray out("\xEF\xBB\xBF");
    for (size_t i = 0; i < std::size(titles); ++i) {
        if (i > 0)
            out.append(style.separator);
        out.append(titles[i]);
    }
    out.append("\r\n");
    return out;
}

void AppendCsvLine(QByteArray& out, const TRecordTable& table, int64_t row,
                   const TCsvStyle& style) {
    const char sep = style.separator;
    if (const QDateTime received = ReceivedLocalTime(table.ReceivedAt(row)); received.isValid()) {
        out.append(IsoLocalTime(received));
        out.append(sep);
        out.append(PlainLocalTime(received));
    } else {
        out.append(sep);
    }
    out.append(sep);
    if (const auto no = table.NoAt(row))
        out.append(QByteArray::number(*no));
    out.append(sep);
    AppendItem(out, TextOf(table, row, TField::Time), style);
    out.append(sep);
    out.append(NumberText(QuantityValue(table, row, TQuantity::Humidity), style));
    out.append(sep);
    out.append(NumberText(QuantityValue(table, row, TQuantity::Temperature), style));
    out.append(sep);
    const auto unit = table.TextAt(row, TField::Unit);
    const QByteArrayView unitText = unit ? *unit : QByteArrayView();
    switch (UnitOf(unitText)) {
    case TTemperatureUnit::Celsius:
        out.append("\xC2\xB0"
                   "C");
        break;
    case TTemperatureUnit::Fahrenheit:
        out.append("\xC2\xB0"
                   "F");
        break;
    case TTemperatureUnit::Unknown:
        break;
    }
    out.append(sep);
    if (unit)
        out.append(IsDewPoint(unitText) ? "yes" : "no");
    out.append("\r\n");
}

QString ExportTableToCsv(const TRecordTable& table, const QString& fileName, const TCsvStyle& style,
                         const TFileProgress& progress) {
    TReplaceFile file(fileName);
    if (!file.Open())
        return file.Error();
    QByteArray buffer = CsvHeader(style);
    buffer.reserve(kChunkBytes + 4096);
    const auto flush = [&] {
        const bool written = file.Write(buffer);
        buffer.clear();
        return written;
    };
    const int64_t count = table.Count();
    for (int64_t row = 0; row < count; ++row) {
        AppendCsvLine(buffer, table, row, style);
        if (buffer.size() >= kChunkBytes && !flush())
            return file.Error();
        if (progress && row % kRowsPerProgress == kRowsPerProgress - 1)
            progress(int(std::min<int64_t>(1000, row * 1000 / count)));
    }
    // Commit syncs the file, renames it over the target and syncs the folder.
    if (!flush() || !file.Commit())
        return file.Error();
    return {};
}

bool IsCsvFileName(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}
