#pragma once
// The files `rx47-cli record` writes, in the format the name's extension chooses, with the
// window's own writers. A text table gets each record appended and flushed as it is taken, so an
// interrupted or killed run keeps every record it took; a data packet is one line holding the
// whole table, so it is written when the run ends.

#include "cli/CliRecorder.h"

#include <QFile>
#include <memory>

// A sink for the file, ready to take records; nullptr with `error` set when the file cannot be
// written (checked before the run starts, so no reading is taken in vain).
std::unique_ptr<IRecordSink> OpenRecordSink(const QString& fileName, QString& error);

// Appends to a text table: the header line first when the file is new or empty, then one line
// per record, each flushed to the system at once. An existing table is continued, never
// truncated.
class TTextTableSink : public IRecordSink {
public:
    bool Open(const QString& fileName, QString& error);
    bool Record(const TRecord& record, QString& error) override;
    bool Finish(const TRecordTable& table, QString& error) override;

private:
    bool WriteAll(const QByteArray& bytes, QString& error);
    QFile file_;
};

// Saves the whole table as a data packet at the end of the run (replacing the file only with a
// complete one).
class TDataPacketSink : public IRecordSink {
public:
    bool Open(const QString& fileName, QString& error);
    bool Record(const TRecord&, QString&) override { return true; }
    bool Finish(const TRecordTable& table, QString& error) override;

private:
    QString fileName_;
};
