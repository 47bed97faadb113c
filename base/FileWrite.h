#pragma once
// The one place where the program writes files. Nothing it has written is ever lost or left half
// done:
// - a whole file (a data file, a picture) goes to a temporary file in the target's folder; every
//   write is checked, the data is synced, and only then is it renamed over the target and the
//   folder synced. Any failure leaves the old file as it was and says why.
// - a record appended to a log goes in one write; a short write is cut back, so the file ends
//   with a whole record or without it, never with a torn one.
// A target that exists but is not a regular file (a device node, a FIFO, a socket) is refused:
// replacing /dev/null with a file, or blocking on a FIFO, is never what the user wanted.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cerrno>
#include <cstdint>

// Replaces a file with new content through a temporary file beside it.
class TReplaceFile {
public:
    explicit TReplaceFile(const QString& target);
    ~TReplaceFile(); // an uncommitted temporary file is removed
    TReplaceFile(const TReplaceFile&) = delete;
    TReplaceFile& operator=(const TReplaceFile&) = delete;

    // Each returns false once anything failed; Error() then says why.
    bool Open();
    bool Write(QByteArrayView bytes);
    // Syncs, renames over the target, syncs the folder.
    bool Commit();
    const QString& Error() const { return error_; }

private:
    bool Fail(int error);
    void Discard();

    QString target_;
    QByteArray finalPath_; // the target, or the file a symbolic link names
    QByteArray tempPath_;
    int fd_ = -1;
    QString error_;
};

// The whole file in one go; returns an empty text on success, else the reason.
QString WriteWholeFile(const QString& target, QByteArrayView bytes);

// A file that records are appended to, held open and locked (flock, exclusive) until closed, so
// that a second writer is told the file is in use instead of interleaving with the first.
class TAppendFile {
public:
    TAppendFile() = default;
    ~TAppendFile();
    TAppendFile(const TAppendFile&) = delete;
    TAppendFile& operator=(const TAppendFile&) = delete;

    // Opens for reading and appending, creating the file when it is missing. Refuses a path that
    // is not a regular file and a file another writer holds; error is then set for the user.
    bool Open(const QString& path, QString& error);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // The current size, or -1 (error set).
    int64_t Size(QString& error) const;
    // Reads up to `size` bytes at `offset`; the count read (0 at the end), or -1 (error set).
    int64_t ReadAt(int64_t offset, char* data, int64_t size, QString& error) const;
    // Appends the bytes with one write and syncs them. On a short or failed write the file is cut
    // back to its previous length, so it holds all of the bytes or none.
    bool Append(QByteArrayView bytes, QString& error);
    const QString& Path() const { return path_; }

private:
    int fd_ = -1;
    QString path_;
};

// The message for a file another writer holds.
QString FileInUseMessage(const QString& path);

// For tests: the write path behaves as a device with room for only `bytesLeft` more bytes, after
// which every write fails with `error` (ENOSPC: a full disk). A negative count ends the fault.
void InjectWriteFault(int64_t bytesLeft, int error = ENOSPC);
