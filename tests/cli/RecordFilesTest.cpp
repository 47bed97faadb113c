// rx47-cli on the files it writes and reads: tables continued only when they can be, packets
// kept, whole records or none on a full disk, one writer per file, odd targets and inputs, a
// failing standard output, and SIGHUP.

#include "CliTestSupport.h"

#include "base/FileWrite.h"
#include "cli/ExitCodes.h"
#include "records/DataFiles.h"
#include "records/RecordTable.h"
#include "support/SmallDisk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr char kHeader[] = "No\tTime\t%RH\tTemp\tUnit\r\n";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class RecordFiles : public ::testing::Test {
protected:
    // A replay file of the frames, one per line.
    QString Simulate(const QList<QByteArray>& frames) {
        const QString path = dir.filePath("frames.hex");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QByteArray& frame : frames)
            file.write(frame + '\n');
        return QStringLiteral("--simulate=") + path;
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    const QByteArray a = FrameHex(4, 5, 3, 2, 3, 4, 0, 0, 0x10, 0x20); // 45.3 %RH, 23.4, 16:32
    const QByteArray b = FrameHex(4, 6, 0, 2, 3, 5, 1, 0, 0x10, 0x21); // 46.0 %RH, -23.5, 16:33
    const QByteArray recordA = "\t16:32\t45.3%RH\t23.4\t#\r\n";
    const QByteArray recordB = "\t16:33\t46.0%RH\t-23.5\t#\r\n";
};

struct TContinueCase {
    const char* name;
    QByteArray before; // the file's content before the run
    QByteArray added;  // what the run appends, or empty when it must refuse
    const char* refusal;
};

// What record --out does with each kind of existing file: continue it with the next numbers, or
// refuse with a reason and leave it as it was.
TEST_F(RecordFiles, ContinuesOnlyTablesItCanOpen) {
    const QByteArray r1 = "1\t10:20\t45.6%RH\t23.4\t#";
    const TContinueCase cases[] = {
        {"new file", "", QByteArray(kHeader) + "1" + recordA + "2" + recordB, nullptr},
        {"empty file", "", QByteArray(kHeader) + "1" + recordA + "2" + recordB, nullptr},
        {"header only", kHeader, "1" + recordA + "2" + recordB, nullptr},
        {"two records", kHeader + r1 + "\r\n7\t10:21\tNULL\t23.4\t#\r\n",
         "8" + recordA + "9" + recordB, nullptr},
        {"whole last record without its line ending", kHeader + r1,
         "\r\n2" + recordA + "3" + recordB, nullptr},
        {"header without its line ending", "No\tTime\t%RH\tTemp\tUnit",
         "\r\n1" + recordA + "2" + recordB, nullptr},
        {"last line with LF only", QByteArray("No\tTime\t%RH\tTemp\tUnit\n") + r1 + "\n",
         "2" + recordA + "3" + recordB, nullptr},
        {"torn last record", kHeader + r1 + "\r\n2\t10:2", "", "its last line is cut off"},
        {"notes file", "shopping list\r\nmilk\r\n", "", "not a text table of this program"},
        {"binary file", QByteArray(kHeader) + QByteArray("1\t\0\x01\x02", 5) + "\r\n", "",
         "zero byte"},
        {"packet named .txt", "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET ", "",
         "not a text table of this program"},
        {"line with six items", kHeader + QByteArray("1\ta\tb\tc\td\te\r\n"), "",
         "not a text table this program can open (line 2)"},
    };
    for (const TContinueCase& test : cases) {
        SCOPED_TRACE(test.name);
        const QString out = Path("log.txt");
        QFile::remove(out);
        if (QByteArray(test.name) != "new file")
            WriteAll(out, test.before);
        const TCliRun run = RunCliInstant({"record", "--out", out, Simulate({a, b})});
        if (test.refusal) {
            EXPECT_EQ(run.exitCode, kExitFailed);
            EXPECT_TRUE(run.err.contains(test.refusal)) << run.err.constData();
            EXPECT_TRUE(run.err.contains("nothing was recorded")) << run.err.constData();
            EXPECT_EQ(ReadAll(out), test.before);
        } else {
            EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
            EXPECT_EQ(ReadAll(out), test.before + test.added);
            TRecordTable reopened;
            EXPECT_TRUE(LoadTableFromFile(out, reopened).ok);
        }
    }
}

// The records already in a packet are written back with the new ones, numbered on.
TEST_F(RecordFiles, PacketKeepsItsRecordsAndNumbersOn) {
    const QString out = Path("log.xml");
    for (int run = 0; run < 2; ++run) {
        const TCliRun result = RunCliInstant({"record", "--out", out, Simulate({a, b})});
        ASSERT_EQ(result.exitCode, kExitOk) << result.err.constData();
    }
    TRecordTable table;
    ASSERT_TRUE(LoadTableFromFile(out, table).ok);
    ASSERT_EQ(table.Count(), 4);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(table.At(i).No, i + 1);
    EXPECT_TRUE(ReadAll(out).contains("CHANGE_LOG=\"1 0 4 2 0 4 3 0 4 4 0 4\""));

    // A file of that name that is no packet is refused and kept.
    WriteAll(out, "not a packet");
    const TCliRun refused = RunCliInstant({"record", "--out", out, Simulate({a})});
    EXPECT_EQ(refused.exitCode, kExitFailed);
    EXPECT_TRUE(refused.err.contains("not a data packet this program can open"))
        << refused.err.constData();
    EXPECT_EQ(ReadAll(out), "not a packet");
}

// A disk that fills while a record is appended: the file ends with the last whole record, and
// the run fails with the reason, through the injected fault and on a real full disk.
TEST_F(RecordFiles, FullDiskDuringARecordLeavesNoTornLine) {
    const QString out = Path("log.txt");
    WriteAll(out, kHeader);
    InjectWriteFault(10);
    const TCliRun run = RunCliInstant({"record", "--out", out, Simulate({a, b})});
    InjectWriteFault(-1);
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.contains((out + ": No space left on device").toLocal8Bit()))
        << run.err.constData();
    EXPECT_EQ(ReadAll(out), kHeader);

    const TSmallDisk disk;
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason().toStdString();
    // The table fills its last page, so the next record needs a page the disk has not got.
    const QString full = disk.Path("log.txt");
    QByteArray table = kHeader;
    table += QByteArray(4096 - table.size() - 2, ' ') + "\r\n"; // a blank line
    WriteAll(full, table);
    disk.Fill();
    const TCliRun onDisk = RunCliInstant({"record", "--out", full, Simulate({a, b})});
    EXPECT_EQ(onDisk.exitCode, kExitFailed);
    EXPECT_TRUE(onDisk.err.contains("No space left on device")) << onDisk.err.constData();
    EXPECT_EQ(ReadAll(full), table);
}

// convert on a real full disk: the old packet stays and the reason is said (it once exited 0 and
// left an empty file).
TEST_F(RecordFiles, ConvertOntoAFullDiskFailsAndKeepsTheOldFile) {
    const TSmallDisk disk;
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason().toStdString();
    const QString in = Path("small.txt");
    WriteAll(in, kHeader + QByteArray("1") + recordA);
    const QString out = disk.Path("p.xml");
    WriteAll(out, "old packet");
    disk.Fill();
    const TCliRun run = RunCliProgram({"convert", in, out});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.contains("No space left on device")) << run.err.constData();
    EXPECT_EQ(ReadAll(out), "old packet");
}

// convert writes what it can and says what it had to change; only a conversion that kept
// everything exits 0.
TEST_F(RecordFiles, ConvertSaysWhatItCouldNotKeep) {
    const QString in = Path("in.txt");
    WriteAll(in, kHeader + QByteArray("1\t") + QByteArray(50, 'x') + "\tv\tr\tu\r\n");
    const TCliRun lossy = RunCliInstant({"convert", in, Path("out.xml")});
    EXPECT_EQ(lossy.exitCode, kExitFailed);
    EXPECT_EQ(lossy.err, "rx47-cli: " + Path("out.xml").toLocal8Bit() +
                             ": converted with changes: 1 value longer than 20 characters was "
                             "cut\n");
    const TCliRun back = RunCliInstant({"convert", Path("out.xml"), Path("back.txt")});
    EXPECT_EQ(back.exitCode, kExitOk) << back.err.constData();
    EXPECT_TRUE(back.err.isEmpty());
}

TEST_F(RecordFiles, OddTargetsAndInputsAreRefusedWithTheirReason) {
    const QString fifo = Path("fifo.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString in = Path("small.txt");
    WriteAll(in, kHeader + QByteArray("1") + recordA);
    struct TCase {
        QStringList arguments;
        const char* reason;
    };
    const TCase cases[] = {
        {{"convert", in, "/dev/null"}, "not a regular file"},
        {{"convert", in, fifo}, "not a regular file"},
        {{"convert", in, dir.path()}, "Is a directory"},
        {{"record", "--out", "/dev/null", Simulate({a})}, "/dev/null: not a regular file"},
        {{"record", "--out", fifo, Simulate({a})}, "not a regular file"},
        {{"convert", Path("missing.txt"), Path("out.txt")}, "(No such file or directory)"},
        {{"convert", dir.path(), Path("out.txt")}, "(Is a directory)"},
        {{"convert", "/dev/zero", Path("out.txt")}, "(not a regular file)"},
        {{"convert", fifo, Path("out.txt")}, "(not a regular file)"},
    };
    for (const TCase& test : cases) {
        const TCliRun run = RunCliInstant(test.arguments);
        EXPECT_EQ(run.exitCode, kExitFailed) << test.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(test.reason)) << run.err.constData();
        EXPECT_FALSE(run.err.contains("Unknown error")) << run.err.constData();
    }
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_FALSE(QFile::exists(Path("out.txt")));
}

TEST_F(RecordFiles, ReplayFilesAreRefusedWithoutRawBytesOrDelay) {
    struct TCase {
        QByteArray text;
        const char* message;
    };
    const TCase cases[] = {
        {"02 34\n\x01\x1b[2J\n", "line 2: '\\x01' is not a hexadecimal digit"},
        {"02 34\n" + QByteArray(100000, 'A') + "\n", "line 2: longer than a frame can be"},
    };
    for (const TCase& test : cases) {
        const QString path = Path("replay.hex");
        WriteAll(path, test.text);
        const TCliRun run = RunCliInstant({"read", "--simulate=" + path});
        EXPECT_EQ(run.exitCode, kExitFailed);
        EXPECT_TRUE(run.err.contains(test.message)) << run.err.constData();
        EXPECT_FALSE(run.err.contains('\x01'));
        EXPECT_FALSE(run.err.contains('\x1b'));
    }
}

// Results that cannot be written to standard output are a failure, not a success.
TEST_F(RecordFiles, StandardOutputThatFailsExitsOne) {
    const QStringList commands[] = {
        {"decode", QString::fromLatin1(a)},
        {"read", Simulate({a, b})},
        {"--help"},
    };
    for (const QStringList& arguments : commands) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(CliProgramPath(), arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray err = process.readAllStandardError();
        EXPECT_EQ(process.exitCode(), kExitFailed) << arguments.join(' ').toStdString();
        EXPECT_TRUE(err.contains("standard output: No space left on device")) << err.constData();
    }
}

// SIGHUP (the terminal closed) ends a packet run as Ctrl+C does: the packet is written. Under
// nohup the hangup stays ignored, and the run goes on until Ctrl+C.
TEST_F(RecordFiles, HangupWritesThePacketUnlessIgnored) {
    for (const bool nohup : {false, true}) {
        SCOPED_TRACE(nohup ? "under nohup" : "plain");
        const QString out = Path(nohup ? "nohup.xml" : "log.xml");
        QProcess process;
        const QStringList arguments{"record", "--out", out, "--simulate"};
        if (nohup)
            process.start(QStringLiteral("nohup"), QStringList{CliProgramPath()} + arguments);
        else
            process.start(CliProgramPath(), arguments);
        ASSERT_TRUE(process.waitForStarted(60000));
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(out) && clock.elapsed() < 60000)
            process.waitForFinished(20);
        process.waitForFinished(1000); // a few readings at the simulated cable's pace
        ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().constData();
        ::kill(pid_t(process.processId()), SIGHUP);
        if (nohup) {
            process.waitForFinished(500);
            EXPECT_EQ(process.state(), QProcess::Running);
            ::kill(pid_t(process.processId()), SIGINT);
        }
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), kExitOk) << process.readAllStandardError().constData();
        TRecordTable table;
        EXPECT_TRUE(LoadTableFromFile(out, table).ok) << ReadAll(out).constData();
    }
}

// Four runs started together on one new file: one records, the others are told the file is in
// use; the file has one header and each number once.
TEST_F(RecordFiles, OneWriterPerFile) {
    const QString out = Path("race.txt");
    const QString replay = Simulate({a, b, a, b});
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 4; ++i) {
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(CliProgramPath(), {"record", "--out", out, replay});
    }
    int recorded = 0;
    for (auto& run : runs) {
        ASSERT_TRUE(run->waitForFinished(60000));
        const QByteArray err = run->readAllStandardError();
        if (run->exitCode() == kExitOk) {
            ++recorded;
        } else {
            EXPECT_EQ(run->exitCode(), kExitFailed);
            EXPECT_TRUE(err.contains("the file is in use by another program")) << err.constData();
        }
    }
    EXPECT_GE(recorded, 1);
    QList<QByteArray> lines = ReadAll(out).split('\n');
    ASSERT_TRUE(lines.last().isEmpty());
    lines.removeLast();
    EXPECT_EQ(lines.count(QByteArray(kHeader).chopped(1)), 1);
    EXPECT_EQ(lines.size(), 1 + 4 * recorded);
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(QByteArray::number(i) + '\t')) << lines[i].constData();
}

} // namespace
