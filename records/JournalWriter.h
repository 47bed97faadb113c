#pragma once
// Writes one recording journal (JournalFormat.h): one write() per record on a file opened for
// appending, so a record reaches the kernel as it is appended and a killed program loses none.
// A thread of the writer's own syncs the file to the disk at most kSyncInterval after a record
// was written; Close syncs at once. A write that fails part-way (disk full) is cut back off, so
// the file never holds a torn line followed by more records.
//
// The open journal is locked (flock) for the writer's life: another program, or a start-up of
// this one, can tell a journal being written from one left behind by a crash.
//
// Threads: everything here runs on the caller's thread (the event thread), except the syncing,
// which runs on the writer's own thread on a descriptor of its own.

#include "records/JournalFormat.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

class TJournalSyncer;

class TJournalWriter {
public:
    static constexpr std::chrono::milliseconds kSyncInterval{2000};

    TJournalWriter();
    ~TJournalWriter(); // closes (syncing) when still open
    TJournalWriter(const TJournalWriter&) = delete;
    TJournalWriter& operator=(const TJournalWriter&) = delete;

    // Creates a new journal with its header (fails when the file exists) and syncs it and its
    // folder, so the journal is found after a power cut.
    bool Create(const QString& path, QString& error);
    // Continues a journal left behind: cuts it back to `keepBytes` (the end of its last whole
    // line), then appends after it. Fails when another program holds it.
    bool Continue(const QString& path, int64_t keepBytes, QString& error);
    // One record, one write. On failure the journal is closed and `error` says why.
    bool Append(const TRecord& record, QString& error);
    // Syncs, unlocks and closes. False with `error` when the last sync failed.
    bool Close(QString& error);

    bool IsOpen() const { return fd_ >= 0; }
    const QString& Path() const { return path_; }
    int64_t Bytes() const { return size_; }

private:
    bool Open(const QString& path, int flags, QString& error);
    bool WriteAll(const char* data, int64_t size, QString& error);
    void Abandon();

    int fd_ = -1;
    QString path_;
    int64_t size_ = 0;
    QByteArray line_;
    TJournalLineFormatter formatter_;
    std::unique_ptr<TJournalSyncer> syncer_;
};

// Syncs a file's parent folder, so a file created or renamed in it survives a power cut.
bool SyncParentFolder(const QString& path, QString& error);
