#pragma once
// The files `rx47-cli record` writes, in the format the name's extension chooses, with the
// window's own writers. Each file is locked for the whole run, so a second run on it is told the
// file is in use.
//
// A text table gets each record appended whole (base/FileWrite.h) as it is taken, so an
// interrupted or killed run keeps every record it took. An existing file is continued only when
// it is a text table this program can open, and its numbering goes on from its last record.
// A data packet is one line holding the whole table, so it is written when the run ends; the
// records of an existing packet are read first and written back with the new ones.

#include "base/FileWrite.h"
#include "cli/CliRecorder.h"

#include <memory>

// A sink for the file, ready to take records; nullptr with `error` set when the file cannot be
// written or continued (checked before the run starts, so no reading is taken in vain).
std::unique_ptr<IRecordSink> OpenRecordSink(const QString& fileName, QString& error);

class TTextTableSink : public IRecordSink {
public:
    bool Open(const QString& fileName, QString& error);
    int32_t NextRecordNo() const override { return nextNo_; }
    bool Record(const TRecord& record, QString& error) override;
    bool Finish(const TRecordTable& table, QString& error) override;

private:
    // Reads the existing table: its header, every line, and how its last line ends.
    bool CheckExisting(int64_t size, QString& error);

    TAppendFile file_;
    int32_t nextNo_ = 1;
};

class TDataPacketSink : public IRecordSink {
public:
    ~TDataPacketSink() override;
    bool Open(const QString& fileName, QString& error);
    int32_t NextRecordNo() const override { return nextNo_; }
    void TakeExisting(TRecordTable& into) override;
    bool Record(const TRecord&, QString&) override { return true; }
    bool Finish(const TRecordTable& table, QString& error) override;

private:
    QString fileName_;
    TAppendFile lock_;     // the file itself, held for the run
    bool created_ = false; // the run made the (empty) file
    bool finished_ = false;
    TRecordTable existing_;
    int32_t nextNo_ = 1;
};
