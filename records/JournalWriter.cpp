#include "records/JournalWriter.h"

#include <QDir>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

QString ErrnoText(const QString& path, int code) {
    return QStringLiteral("%1: %2").arg(path, qt_error_string(code));
}

} // namespace

// Syncs a descriptor of its own (a dup of the writer's) every kSyncInterval while records were
// written since the last sync. The writer only sets a flag per record.
class TJournalSyncer {
public:
    explicit TJournalSyncer(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~TJournalSyncer() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
        ::close(fd_);
    }
    void MarkDirty() { dirty_.store(true, std::memory_order_relaxed); }
    // errno of the last failed sync, 0 when none failed.
    int Error() const { return error_.load(); }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, TJournalWriter::kSyncInterval, [this] { return stop_; });
            if (dirty_.exchange(false) && ::fdatasync(fd_) != 0)
                error_.store(errno);
        }
    }

    const int fd_;
    std::atomic<bool> dirty_{false};
    std::atomic<int> error_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

bool SyncParentFolder(const QString& path, QString& error) {
    const QString folder = QFileInfo(path).absolutePath();
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoText(folder, errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    if (!ok)
        error = ErrnoText(folder, errno);
    ::close(fd);
    return ok;
}

TJournalWriter::TJournalWriter() = default;

TJournalWriter::~TJournalWriter() {
    QString ignored;
    Close(ignored);
}

bool TJournalWriter::Open(const QString& path, int flags, QString& error) {
    Close(error);
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = ErrnoText(path, errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = ErrnoText(path, errno);
        ::close(fd);
        return false;
    }
    const int syncFd = ::dup(fd);
    if (syncFd < 0) {
        error = ErrnoText(path, errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    syncer_ = std::make_unique<TJournalSyncer>(syncFd);
    return true;
}

bool TJournalWriter::Create(const QString& path, QString& error) {
    if (!Open(path, O_CREAT | O_EXCL | O_APPEND, error))
        return false;
    size_ = 0;
    const QByteArray header = JournalHeader();
    if (!WriteAll(header.constData(), header.size(), error) || ::fdatasync(fd_) != 0 ||
        !SyncParentFolder(path, error)) {
        if (error.isEmpty())
            error = ErrnoText(path, errno);
        Abandon();
        ::unlink(QFile::encodeName(path).constData());
        return false;
    }
    return true;
}

bool TJournalWriter::Continue(const QString& path, int64_t keepBytes, QString& error) {
    if (!Open(path, O_APPEND, error))
        return false;
    if (::ftruncate(fd_, off_t(keepBytes)) != 0 || ::fdatasync(fd_) != 0) {
        error = ErrnoText(path, errno);
        Abandon();
        return false;
    }
    size_ = keepBytes;
    return true;
}

bool TJournalWriter::WriteAll(const char* data, int64_t size, QString& error) {
    // One write() for the whole line; the loop only runs again after a signal cut it short.
    int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            // Take back what part of the line got in, so no torn line sits before later ones.
            // Should that fail too, the writer is abandoned and the torn line stays last, where
            // readers leave it out.
            const bool cutBack = done == 0 || ::ftruncate(fd_, off_t(size_)) == 0;
            error = ErrnoText(path_, code);
            if (!cutBack)
                error += QStringLiteral(" (a cut line remains at the end)");
            return false;
        }
        done += n;
    }
    size_ += size;
    return true;
}

bool TJournalWriter::Append(const TRecord& record, QString& error) {
    if (fd_ < 0) {
        error = QStringLiteral("journal not open");
        return false;
    }
    if (const int code = syncer_->Error()) {
        error = ErrnoText(path_, code);
        Abandon();
        return false;
    }
    formatter_.Format(record, line_);
    if (!WriteAll(line_.constData(), line_.size(), error)) {
        Abandon();
        return false;
    }
    syncer_->MarkDirty();
    return true;
}

void TJournalWriter::Abandon() {
    syncer_.reset();
    if (fd_ >= 0)
        ::close(fd_); // also releases the lock
    fd_ = -1;
}

bool TJournalWriter::Close(QString& error) {
    if (fd_ < 0)
        return true;
    bool ok = ::fdatasync(fd_) == 0;
    if (!ok)
        error = ErrnoText(path_, errno);
    Abandon();
    return ok;
}
