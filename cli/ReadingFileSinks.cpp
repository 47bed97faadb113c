#include "cli/ReadingFileSinks.h"

std::unique_ptr<IRecordSink> OpenReadingFileSink(const QString& fileName, TRecordValues values,
                                                 QString& error) {
    std::optional<TReadingFormat> format;
    if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        format = TReadingFormat::Csv;
    else if (fileName.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive))
        format = TReadingFormat::Jsonl;
    if (!format)
        return nullptr;
    auto sink = std::make_unique<TReadingFileSink>(*format, std::move(values));
    return sink->Open(fileName, error) ? std::move(sink) : nullptr;
}

TReadingFileSink::TReadingFileSink(TReadingFormat format, TRecordValues values)
    : format_(format), values_(std::move(values)) {}

bool TReadingFileSink::Open(const QString& fileName, QString& error) {
    if (!file_.Open(fileName, error))
        return false;
    const int64_t size = file_.Size(error);
    if (size < 0)
        return false;
    if (size == 0)
        return format_ != TReadingFormat::Csv || WriteAll(CsvHeader(), error);
    // Continue only a file of the same kind: records appended to something else would be lost
    // in it, and so would it.
    QByteArray first(256, '\0');
    const int64_t got = file_.ReadAt(0, first.data(), first.size(), error);
    if (got < 0)
        return false;
    first.truncate(got);
    const bool same = format_ == TReadingFormat::Csv ? first.startsWith(CsvHeader())
                                                     : first.startsWith("{\"time\":");
    if (!same) {
        error = QStringLiteral("%1: not a %2 file of rx47-cli readings; not continued")
                    .arg(fileName, format_ == TReadingFormat::Csv ? QStringLiteral("CSV")
                                                                  : QStringLiteral("JSON lines"));
        file_.Close();
        return false;
    }
    char last = 0;
    if (file_.ReadAt(size - 1, &last, 1, error) != 1)
        return false;
    return last == '\n' || WriteAll("\n", error);
}

bool TReadingFileSink::WriteAll(const QByteArray& bytes, QString& error) {
    return file_.Append(bytes, error);
}

bool TReadingFileSink::Record(const TRecord& record, QString& error) {
    TReading reading;
    reading.Time = record.TextOf(TField::Time).value_or(QByteArray());
    reading.Humidity = record.TextOf(TField::Value).value_or(QByteArray());
    reading.Temperature = record.TextOf(TField::Range).value_or(QByteArray());
    reading.Unit = record.TextOf(TField::Unit).value_or(QByteArray());
    return WriteAll(FormatReading(format_, values_(reading), reading), error);
}

bool TReadingFileSink::Finish(const TRecordTable& /*table*/, QString& /*error*/) {
    file_.Close();
    return true;
}
