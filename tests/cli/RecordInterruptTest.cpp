// The built rx47-cli recording on the simulated cable at its real pace, stopped from outside:
// Ctrl+C ends the run cleanly, a kill leaves every record already taken in the text table.

#include "CliTestSupport.h"

#include "cli/ExitCodes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QList<QByteArray> Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\n');
}

// Every line complete, numbered 1, 2, 3 … after the header; the number of records.
int CheckTable(const QString& path) {
    QList<QByteArray> lines = Lines(path);
    EXPECT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line is cut: " << lines.last().constData();
    lines.removeLast();
    EXPECT_EQ(lines.value(0), "No\tTime\t%RH\tTemp\tUnit\r");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(QByteArray::number(i) + '\t')) << lines[i].constData();
        EXPECT_EQ(lines[i].count('\t'), 4);
        EXPECT_TRUE(lines[i].endsWith('\r'));
    }
    return int(lines.size()) - 1;
}

struct TStopCase {
    const char* name;
    bool interrupt; // SIGINT, else SIGKILL
};

class RecordInterruptTest : public ::testing::TestWithParam<TStopCase> {};

TEST_P(RecordInterruptTest, RecordsTakenStayInTheFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath("log.txt");
    QProcess process;
    process.start(CliProgramPath(), {"record", "--out", out, "--simulate"});
    ASSERT_TRUE(process.waitForStarted(60000));
    QElapsedTimer clock;
    clock.start();
    while (Lines(out).size() < 4 && clock.elapsed() < 60000) // header and two records
        process.waitForFinished(20);
    ASSERT_GE(Lines(out).size(), 4) << process.readAllStandardError().constData();

    if (GetParam().interrupt)
        ::kill(pid_t(process.processId()), SIGINT);
    else
        process.kill();
    ASSERT_TRUE(process.waitForFinished(60000));
    if (GetParam().interrupt) {
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), kExitOk);
        EXPECT_TRUE(process.readAllStandardError().isEmpty());
    } else {
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    }
    EXPECT_GE(CheckTable(out), 2);
}

INSTANTIATE_TEST_SUITE_P(Stops, RecordInterruptTest,
                         ::testing::Values(TStopCase{"Interrupt", true}, TStopCase{"Kill", false}),
                         [](const auto& stop) { return std::string(stop.param.name); });

} // namespace
