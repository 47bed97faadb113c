// The kill test: the window records from the simulated cable as fast as it can and is killed
// with SIGKILL at random moments; after each restart, with the recording left behind restored,
// the table must hold exactly the records the window had appended before the kill: none missing,
// none twice, none cut. One record may come back that was in the journal but not yet in the
// table (the journal is written first, then the table); it is counted and printed.
//
// The parent (JournalKill.*) starts this same program as the child (JournalKillChild.*) once per
// round. The child writes a trace, one write() per line:
//   R <rows> <sha1 of the journal lines of the first RX47_KILL_EXPECT rows>   after the restore
//   + <journal line>                                        every restored row beyond those
//   GO                                                      about to press Connect
//   <journal line>                                          every record appended
// Both skip themselves unless run through their own ctest entry (tests/reliability/extra.cmake).
// RX47_KILL_ROUNDS sets the number of kills (default 200).

#include "support_gui/WindowFixture.h"

#include "records/JournalFormat.h"
#include "records/RecordTable.h"
#include "sim/SimCableOnBus.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

QByteArray JournalLine(TJournalLineFormatter& formatter, const TRecord& record) {
    QByteArray line;
    formatter.Format(record, line);
    return line;
}

// ---- The child: one life of the window until it is killed ------------------------------------

class TTrace {
public:
    explicit TTrace(const QByteArray& path)
        : fd_(::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
    ~TTrace() { ::close(fd_); }
    void Line(const QByteArray& line) { // one write per line: a kill never splits one
        const QByteArray whole = line.endsWith('\n') ? line : line + '\n';
        if (::write(fd_, whole.constData(), size_t(whole.size())) != whole.size())
            std::_Exit(4);
    }

private:
    int fd_;
};

class JournalKillChild : public WindowTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("RX47_KILL_CHILD"))
            GTEST_SKIP() << "started by JournalKill.* only";
    }
    void TearDown() override {
        window.reset();
        bus.reset();
    }
    std::unique_ptr<TSimHidBus> bus = std::make_unique<TSimHidBus>();
};

TEST_F(JournalKillChild, RecordsUntilKilled) {
    const QString dir = qEnvironmentVariable("RX47_KILL_DIR");
    const int64_t expected = EnvInt("RX47_KILL_EXPECT", 0);
    TTrace trace(QFile::encodeName(dir + QStringLiteral("/trace-") +
                                   qEnvironmentVariable("RX47_KILL_ROUND")));
    bus->Plug(SimCableInterface(std::make_shared<TSimSerialCable>()));
    TFCOMMEnvironment environment;
    environment.hidPlatform = bus.get();
    environment.journalFolder = dir + QStringLiteral("/state/rx47");
    dialogs.yesNoAnswers = {true};
    MakeWindow(environment);
    QCoreApplication::processEvents(); // start-up: the recording left behind comes back

    TJournalLineFormatter formatter;
    const TRecordTable& table = *window->cds1;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int64_t row = 0; row < std::min(expected, table.Count()); ++row)
        hash.addData(JournalLine(formatter, table.At(row)));
    trace.Line("R " + QByteArray::number(table.Count()) + ' ' + hash.result().toHex());
    for (int64_t row = expected; row < table.Count(); ++row)
        trace.Line("+ " + JournalLine(formatter, table.At(row)));

    QObject::connect(window->Data1, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) {
                         for (int row = first; row <= last; ++row)
                             trace.Line(JournalLine(formatter, table.At(row)));
                     });
    window->limitessClick(); // this test is about losing records, not about the limit
    trace.Line("GO");
    window->USBCon->click();
    QTimer::singleShot(120'000, [] { std::_Exit(3); }); // never left running
    QEventLoop().exec();
}

// ---- The parent --------------------------------------------------------------------------------

struct TRoundTrace {
    bool restoredSeen = false;
    int64_t restoredRows = 0;
    QByteArray restoredHash;
    std::vector<QByteArray> restoredBeyond; // "+" lines
    bool go = false;
    std::vector<QByteArray> appended;
};

TRoundTrace ReadTrace(const QString& path) {
    TRoundTrace trace;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return trace;
    const QByteArray all = file.readAll();
    const QList<QByteArray> lines = all.split('\n');
    // The last piece is empty or a line the kill cut short: not counted.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.startsWith("R ")) {
            const QList<QByteArray> parts = line.split(' ');
            trace.restoredSeen = true;
            trace.restoredRows = parts.value(1).toLongLong();
            trace.restoredHash = parts.value(2);
        } else if (line.startsWith("+ ")) {
            trace.restoredBeyond.push_back(line.mid(2) + '\n');
        } else if (line == "GO") {
            trace.go = true;
        } else {
            trace.appended.push_back(line + '\n');
        }
    }
    return trace;
}

int32_t NoOf(const QByteArray& line) {
    return line.left(line.indexOf('\t')).toInt();
}

TEST(JournalKill, EveryShownRecordSurvivesEveryKill) {
    if (qEnvironmentVariableIsEmpty("RX47_KILL_TEST"))
        GTEST_SKIP() << "runs as its own ctest entry (reliability.JournalKill, labelled slow)";
    const int rounds = EnvInt("RX47_KILL_ROUNDS", 200);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(20261211);
    QByteArray shown; // the journal lines of every record the window appended, in order
    int64_t shownCount = 0;
    int inFlight = 0, earlyKills = 0;
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("RX47_KILL_CHILD", "1");
        env.insert("RX47_KILL_DIR", dir.path());
        env.insert("RX47_KILL_ROUND", QString::number(round));
        env.insert("RX47_KILL_EXPECT", QString::number(shownCount));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("RX47_KILL_TEST");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=JournalKillChild.RecordsUntilKilled"});
        ASSERT_TRUE(child.waitForStarted());
        const QString tracePath = dir.filePath("trace-" + QString::number(round));
        // Mostly a kill while recording; now and then one at any moment from the start, often
        // during start-up and restore.
        const bool early = random() % 10 == 0;
        if (early) {
            QThread::msleep(random() % 400);
        } else {
            QElapsedTimer wait;
            wait.start();
            while (!ReadTrace(tracePath).go) {
                ASSERT_LT(wait.elapsed(), 60'000) << "the child never came up";
                ASSERT_NE(child.state(), QProcess::NotRunning) << "the child ended on its own";
                QThread::msleep(5);
            }
            QThread::msleep(20 + random() % 300);
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished());
        const TRoundTrace trace = ReadTrace(tracePath);
        if (!trace.go)
            ++earlyKills;
        if (!trace.restoredSeen) {
            ASSERT_TRUE(early) << "the child never reported its restore";
            continue;
        }
        // What came back is exactly what the last window had shown, plus at most the one record
        // it had journalled but not yet appended.
        ASSERT_GE(trace.restoredRows, shownCount) << "records lost";
        ASSERT_LE(trace.restoredRows, shownCount + 1) << "records twice";
        ASSERT_EQ(trace.restoredHash,
                  QCryptographicHash::hash(shown, QCryptographicHash::Sha1).toHex())
            << "a record restored differs from the one shown";
        for (const QByteArray& line : trace.restoredBeyond) {
            shown += line;
            ++shownCount;
            ++inFlight;
        }
        for (const QByteArray& line : trace.appended) {
            ASSERT_EQ(NoOf(line), shownCount + 1) << "numbering goes on after the restore";
            shown += line;
            ++shownCount;
        }
    }
    const double seconds = clock.elapsed() / 1000.0;
    std::printf(
        "journal kill test: %d kills (%d before recording began), %lld records shown, 0 lost, "
        "%d in flight came back, %.1f s\n",
        rounds, earlyKills, static_cast<long long>(shownCount), inFlight, seconds);
    RecordProperty("kills", rounds);
    RecordProperty("records", int(shownCount));
    RecordProperty("inFlight", inFlight);
    EXPECT_GT(shownCount, rounds) << "the window recorded in most rounds";
}

} // namespace
