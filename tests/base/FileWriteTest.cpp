// The program's one file writer on real files: a write that fails part-way, targets that are not
// regular files, whole records appended or none, and a lock held against a second writer.

#include "base/FileWrite.h"
#include "base/SystemError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteRaw(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The write path as a disk with room for `bytes` more bytes, for the life of the object.
class TFullDisk {
public:
    explicit TFullDisk(int64_t bytes, int error = ENOSPC) { InjectWriteFault(bytes, error); }
    ~TFullDisk() { InjectWriteFault(-1); }
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;
};

class FileWrite : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList Entries() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QTemporaryDir dir;
};

TEST_F(FileWrite, ReplacesTheWholeFile) {
    WriteRaw(Path("a.txt"), "old contents");
    ASSERT_TRUE(QFile::setPermissions(Path("a.txt"), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(WriteWholeFile(Path("a.txt"), "new"), QString());
    EXPECT_EQ(ReadAll(Path("a.txt")), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("a.txt")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);      // the old file's permissions
    EXPECT_EQ(Entries(), QStringList{"a.txt"}); // no temporary file left
}

// A disk that fills during the write, at its first byte, in the middle, or at the last byte: the
// old file stays, the reason is the system's, and no temporary file is left.
TEST_F(FileWrite, AFailedWriteLeavesTheOldFileAndSaysWhy) {
    const QByteArray content(10000, 'x');
    for (const int64_t room : {int64_t(0), int64_t(1), int64_t(4096), int64_t(9999)}) {
        WriteRaw(Path("p.xml"), "previous packet");
        QString failure;
        {
            const TFullDisk disk(room);
            failure = WriteWholeFile(Path("p.xml"), content);
        }
        EXPECT_EQ(failure, "No space left on device") << room;
        EXPECT_EQ(ReadAll(Path("p.xml")), "previous packet") << room;
        EXPECT_EQ(Entries(), QStringList{"p.xml"}) << room;
    }
}

// Each target is refused without being touched, and the reason names what it is.
TEST_F(FileWrite, RefusesTargetsThatAreNotRegularFiles) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(Path("sock"));
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    struct TCase {
        QString path;
        const char* reason;
        mode_t type;
    };
    const TCase cases[] = {
        {Path("fifo"), "not a regular file", S_IFIFO},
        {Path("sock"), "not a regular file", S_IFSOCK},
        {Path("folder"), "Is a directory", S_IFDIR},
        {QStringLiteral("/dev/null"), "not a regular file", S_IFCHR},
        {QStringLiteral("/dev/full"), "not a regular file", S_IFCHR},
    };
    for (const TCase& target : cases) {
        EXPECT_EQ(WriteWholeFile(target.path, "data"), target.reason) << target.path.toStdString();
        TAppendFile append;
        QString error;
        EXPECT_FALSE(append.Open(target.path, error));
        EXPECT_EQ(error, target.path + ": " + target.reason);
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(target.path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, target.type) << target.path.toStdString();
    }
    ::close(sock);
    EXPECT_EQ(Entries(), (QStringList{"fifo", "sock"}));
}

TEST_F(FileWrite, ThroughASymbolicLinkTheLinkStays) {
    WriteRaw(Path("real.txt"), "old");
    ASSERT_TRUE(QFile::link(Path("real.txt"), Path("link.txt")));
    EXPECT_EQ(WriteWholeFile(Path("link.txt"), "new"), QString());
    EXPECT_TRUE(QFileInfo(Path("link.txt")).isSymLink());
    EXPECT_EQ(ReadAll(Path("real.txt")), "new");
}

TEST_F(FileWrite, AnAppendIsWholeOrCutBack) {
    TAppendFile file;
    QString error;
    ASSERT_TRUE(file.Open(Path("log.txt"), error)) << error.toStdString();
    ASSERT_TRUE(file.Append("first record\r\n", error));
    for (const int64_t room : {int64_t(0), int64_t(1), int64_t(13)}) {
        {
            const TFullDisk disk(room);
            EXPECT_FALSE(file.Append("second record\r\n", error)) << room;
        }
        EXPECT_EQ(error, Path("log.txt") + ": No space left on device");
        EXPECT_EQ(ReadAll(Path("log.txt")), "first record\r\n") << room;
    }
    ASSERT_TRUE(file.Append("third record\r\n", error));
    EXPECT_EQ(ReadAll(Path("log.txt")), "first record\r\nthird record\r\n");
}

TEST_F(FileWrite, ASecondWriterIsToldTheFileIsInUse) {
    TAppendFile first, second;
    QString error;
    ASSERT_TRUE(first.Open(Path("log.txt"), error));
    EXPECT_FALSE(second.Open(Path("log.txt"), error));
    EXPECT_EQ(error, FileInUseMessage(Path("log.txt")));
    first.Close();
    EXPECT_TRUE(second.Open(Path("log.txt"), error));
}

TEST(SystemError, ReasonsForInputs) {
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    WriteRaw(dir.filePath("plain"), "x");
    EXPECT_EQ(NotReadableFileReason(dir.filePath("none")), "No such file or directory");
    EXPECT_EQ(NotReadableFileReason(dir.path()), "Is a directory");
    EXPECT_EQ(NotReadableFileReason("/dev/zero"), "not a regular file");
    EXPECT_EQ(NotReadableFileReason(dir.filePath("fifo")), "not a regular file");
    EXPECT_EQ(NotReadableFileReason(dir.filePath("plain")), QString());
}

} // namespace
