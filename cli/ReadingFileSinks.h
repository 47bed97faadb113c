#pragma once
// `record --out` files in the machine-readable formats: a name ending in .csv is CSV with a
// header line, .jsonl one JSON object a line (cli/ReadingFormats.h). Like the text table, the file
// is locked for the run, every record is appended whole in one write and synced as it is taken,
// and an existing file is continued, never truncated; a torn last line (a run killed mid-write)
// is closed before the next record so that it spoils only itself.

#include "base/FileWrite.h"
#include "cli/CliRecorder.h"
#include "cli/ReadingFormats.h"

#include <functional>
#include <memory>

// The values a record's reading stands for (its texts, the time it is taken, the name).
using TRecordValues = std::function<TReadingValues(const TReading& reading)>;

// A sink when the name asks for one of these formats; nullptr otherwise (`error` empty), or
// nullptr with `error` set when the file cannot be written or is not such a file.
std::unique_ptr<IRecordSink> OpenReadingFileSink(const QString& fileName, TRecordValues values,
                                                 QString& error);

class TReadingFileSink : public IRecordSink {
public:
    TReadingFileSink(TReadingFormat format, TRecordValues values);
    bool Open(const QString& fileName, QString& error);
    bool Record(const TRecord& record, QString& error) override;
    bool Finish(const TRecordTable& table, QString& error) override;

private:
    bool WriteAll(const QByteArray& bytes, QString& error);

    TReadingFormat format_;
    TRecordValues values_;
    TAppendFile file_;
};
