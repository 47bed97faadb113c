#include "base/FileWrite.h"

#include "base/SystemError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int64_t> gFaultBytesLeft{-1};
std::atomic<int> gFaultError{ENOSPC};

// One write() call, through the injected fault when there is one.
ssize_t WriteOnce(int fd, const char* data, size_t size) {
    int64_t left = gFaultBytesLeft.load();
    if (left >= 0) {
        if (left == 0) {
            errno = gFaultError.load();
            return -1;
        }
        size = std::min<size_t>(size, size_t(left));
        gFaultBytesLeft.store(left - int64_t(size));
    }
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// All bytes, in as many calls as it takes; false with errno set.
bool WriteFully(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = WriteOnce(fd, data, size);
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Where a path that exists must be a regular file: an empty text, else why not.
QString ExistingTargetProblem(const struct stat& info) {
    if (S_ISDIR(info.st_mode))
        return SystemErrorText(EISDIR);
    if (!S_ISREG(info.st_mode))
        return NotRegularFileText();
    return {};
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The rename is only durable once the folder's entry is; some file systems cannot sync a
// folder (EINVAL), which is no failure of the write.
int SyncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    ::close(fd);
    return result;
}

} // namespace

void InjectWriteFault(int64_t bytesLeft, int error) {
    gFaultError.store(error);
    gFaultBytesLeft.store(bytesLeft);
}

// ---- TReplaceFile ----------------------------------------------------------------------------

TReplaceFile::TReplaceFile(const QString& target) : target_(target) {}

TReplaceFile::~TReplaceFile() {
    Discard();
}

bool TReplaceFile::Fail(int error) {
    if (error_.isEmpty())
        error_ = SystemErrorText(error);
    Discard();
    return false;
}

void TReplaceFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.isEmpty()) {
        ::unlink(tempPath_.constData());
        tempPath_.clear();
    }
}

bool TReplaceFile::Open() {
    // Through a symbolic link the file it names is replaced, and the link stays.
    const QFileInfo link(target_);
    finalPath_ = QFile::encodeName(link.isSymLink() ? link.symLinkTarget() : target_);
    struct stat info {};
    mode_t mode = 0666; // the umask applies
    bool exists = false;
    if (::stat(finalPath_.constData(), &info) == 0) {
        exists = true;
        error_ = ExistingTargetProblem(info);
        if (!error_.isEmpty())
            return false;
        // Renaming would replace a file the user may not write; refuse as writing in place would.
        if (::access(finalPath_.constData(), W_OK) != 0)
            return Fail(errno);
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }
    const QByteArray folder = FolderOf(finalPath_);
    const QByteArray base = finalPath_.mid(finalPath_.lastIndexOf('/') + 1);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        tempPath_ = folder + "/." + base + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd_ = ::open(tempPath_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ < 0 && errno != EEXIST) {
            tempPath_.clear();
            return Fail(errno);
        }
    }
    if (fd_ < 0) {
        tempPath_.clear();
        return Fail(EEXIST);
    }
    // The replacement keeps the old file's permissions (the umask narrowed them at creation).
    if (exists && ::fchmod(fd_, mode) != 0)
        return Fail(errno);
    return true;
}

bool TReplaceFile::Write(QByteArrayView bytes) {
    if (fd_ < 0)
        return Fail(EBADF);
    if (!WriteFully(fd_, bytes.data(), size_t(bytes.size())))
        return Fail(errno);
    return true;
}

bool TReplaceFile::Commit() {
    if (fd_ < 0)
        return Fail(EBADF);
    // A write the system took may still fail on its way to the disk: fsync and close report it.
    if (::fsync(fd_) != 0)
        return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return Fail(errno);
    if (::rename(tempPath_.constData(), finalPath_.constData()) != 0)
        return Fail(errno);
    tempPath_.clear();
    if (const int error = SyncFolder(FolderOf(finalPath_)))
        return Fail(error);
    return true;
}

QString WriteWholeFile(const QString& target, QByteArrayView bytes) {
    TReplaceFile file(target);
    if (file.Open() && file.Write(bytes) && file.Commit())
        return {};
    return file.Error();
}

// ---- TAppendFile -----------------------------------------------------------------------------

QString FileInUseMessage(const QString& path) {
    return QStringLiteral("%1: the file is in use by another program (another record run?)")
        .arg(path);
}

TAppendFile::~TAppendFile() {
    Close();
}

void TAppendFile::Close() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
    fd_ = -1;
}

bool TAppendFile::Open(const QString& path, QString& error) {
    Close();
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    const auto refuse = [&](const QString& reason) {
        error = QStringLiteral("%1: %2").arg(path, reason);
        Close();
        return false;
    };
    struct stat info {};
    // Device nodes and FIFOs are refused before they are opened: opening one can block or act.
    if (::stat(name.constData(), &info) == 0) {
        if (const QString problem = ExistingTargetProblem(info); !problem.isEmpty())
            return refuse(problem);
    }
    fd_ = ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                 0666);
    if (fd_ < 0)
        return refuse(SystemErrorText(errno));
    // The path may have changed between the two looks.
    if (::fstat(fd_, &info) != 0)
        return refuse(SystemErrorText(errno));
    if (const QString problem = ExistingTargetProblem(info); !problem.isEmpty())
        return refuse(problem);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        Close();
        error = lockError == EWOULDBLOCK
                    ? FileInUseMessage(path)
                    : QStringLiteral("%1: %2").arg(path, SystemErrorText(lockError));
        return false;
    }
    return true;
}

int64_t TAppendFile::Size(QString& error) const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        error = QStringLiteral("%1: %2").arg(path_, SystemErrorText(errno));
        return -1;
    }
    return int64_t(info.st_size);
}

int64_t TAppendFile::ReadAt(int64_t offset, char* data, int64_t size, QString& error) const {
    ssize_t n;
    do {
        n = ::pread(fd_, data, size_t(size), off_t(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        error = QStringLiteral("%1: %2").arg(path_, SystemErrorText(errno));
    return int64_t(n);
}

bool TAppendFile::Append(QByteArrayView bytes, QString& error) {
    const int64_t before = Size(error);
    if (before < 0)
        return false;
    const ssize_t n = WriteOnce(fd_, bytes.data(), size_t(bytes.size()));
    const int writeError = n < 0 ? errno : ENOSPC; // a short write: the device is full
    if (n == bytes.size() && ::fdatasync(fd_) == 0)
        return true;
    const int reason = n == bytes.size() ? errno : writeError;
    // Cut back to the last whole record. The lock keeps other writers of this program away.
    const bool cut = n <= 0 || ::ftruncate(fd_, off_t(before)) == 0;
    error = QStringLiteral("%1: %2").arg(path_, SystemErrorText(reason));
    if (!cut)
        error +=
            QStringLiteral(" (the last line may be incomplete: %1)").arg(SystemErrorText(errno));
    return false;
}
