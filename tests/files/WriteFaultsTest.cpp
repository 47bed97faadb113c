// Saving and opening data files when the disk is full, the target is not a file, or the input is
// not one: the old file stays, the reason is the system's, and nothing reports a false success.

#include "FilesTestSupport.h"
#include "base/FileWrite.h"
#include "records/DataFiles.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kNames[] = {"p.xml", "t.txt"};

// A small table on a real full disk: the case that once renamed an empty file over the old one.
TEST(FullDisk, ASaveThatDoesNotFitLeavesTheOldFile) {
    const TSmallDisk disk;
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason().toStdString();
    TRecordTable table;
    FillSample(table);
    for (const char* name : kNames) {
        const QString path = disk.Path(QString::fromLatin1(name));
        WriteAll(path, "previous contents");
    }
    disk.Fill();
    for (const char* name : kNames) {
        const QString path = disk.Path(QString::fromLatin1(name));
        const TSaveOutcome outcome = SaveTableToFile(table, path);
        EXPECT_NE(outcome.kind, TSaveOutcome::TKind::Saved) << name;
        EXPECT_TRUE(outcome.message.contains("No space left on device"))
            << outcome.message.toStdString();
        EXPECT_EQ(ReadAll(path), "previous contents") << name;
    }
    EXPECT_EQ(QDir(disk.Path(".")).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// The same through the injected fault, which runs without root.
TEST(FullDisk, InjectedFaultGivesTheSameOutcome) {
    QTemporaryDir dir;
    TRecordTable table;
    FillSample(table);
    for (const char* name : kNames) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        WriteAll(path, "previous contents");
        InjectWriteFault(10);
        const TSaveOutcome outcome = SaveTableToFile(table, path);
        InjectWriteFault(-1);
        EXPECT_NE(outcome.kind, TSaveOutcome::TKind::Saved) << name;
        EXPECT_TRUE(outcome.message.endsWith("No space left on device") ||
                    outcome.message.endsWith("(No space left on device)"))
            << outcome.message.toStdString();
        EXPECT_EQ(ReadAll(path), "previous contents") << name;
    }
}

TEST(OddTargets, SaveRefusesDevicesAndFifos) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TRecordTable table;
    FillSample(table);
    for (const QString& target : {fifo, QStringLiteral("/dev/null")}) {
        const TSaveOutcome outcome = SaveTableToFile(table, target);
        EXPECT_NE(outcome.kind, TSaveOutcome::TKind::Saved);
        EXPECT_TRUE(outcome.message.contains("not a regular file"))
            << outcome.message.toStdString();
    }
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(OpenReasons, SayWhatTheInputIs) {
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.txt")).constData(), 0600), 0);
    struct TCase {
        QString path;
        const char* reason;
    };
    const TCase cases[] = {
        {dir.filePath("missing.txt"), "No such file or directory"},
        {dir.path(), "Is a directory"},
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {dir.filePath("fifo.txt"), "not a regular file"},
    };
    for (const TCase& input : cases) {
        TRecordTable table;
        const TLoadOutcome outcome = LoadTableFromFile(input.path, table);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.reason, input.reason) << input.path.toStdString();
    }
}

// A sparse file of zeros is refused at its first byte instead of being read to its end: one
// read of a 20 GB file would not finish in the test's time.
TEST(OpenReasons, ReadingStopsAtTheFirstZeroByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sparse.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("No\tTime\t%RH\tTemp\tUnit\r\n1\t10:20\t45.3%RH\t23.4\t#\r\n");
    if (!file.resize(qint64(20) << 30))
        GTEST_SKIP() << "this file system holds no 20 GB sparse file";
    file.close();
    int calls = 0;
    TRecordTable table;
    const TLoadOutcome outcome = LoadTableFromFile(path, table, [&](int) { ++calls; });
    EXPECT_TRUE(outcome.ok) << outcome.reason.toStdString();
    EXPECT_EQ(table.Count(), 1);
    EXPECT_LE(calls, 1); // one chunk read, not twenty thousand
}

} // namespace
