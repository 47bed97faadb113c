// The window program's command line: what each option selects, the messages of a wrong one, and
// the built program answering --help and a wrong option on a box without a display.

#include "app/AppOptions.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct TOptionsCase {
    QStringList arguments;
    bool simulate;
    QString replayFile;
    bool connect;
    bool help;
};

class AppOptionsTest : public ::testing::TestWithParam<TOptionsCase> {};

TEST_P(AppOptionsTest, SelectsWhatTheOptionsSay) {
    const TOptionsCase& c = GetParam();
    const TAppOptions options = ParseAppOptions(QStringList{"rx47"} + c.arguments);
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.simulate, c.simulate);
    EXPECT_EQ(options.replayFile, c.replayFile);
    EXPECT_EQ(options.connect, c.connect);
    EXPECT_EQ(options.help, c.help);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppOptionsTest,
    ::testing::Values(
        TOptionsCase{{}, false, {}, false, false},
        TOptionsCase{{"--simulate"}, true, {}, false, false},
        TOptionsCase{{"--simulate", "--connect"}, true, {}, true, false},
        // A bare --simulate never takes the next argument as its file.
        TOptionsCase{{"--connect", "--simulate=frames.txt"}, true, "frames.txt", true, false},
        TOptionsCase{{"--simulate=a b.txt"}, true, "a b.txt", false, false},
        TOptionsCase{{"--help"}, false, {}, false, true},
        TOptionsCase{{"-h", "--simulate"}, true, {}, false, true},
        // Qt's own options go through to the application object.
        TOptionsCase{{"-platform", "offscreen", "--connect"}, false, {}, true, false}));

struct TWrongCase {
    QStringList arguments;
    const char* message;
};

class AppOptionsWrongTest : public ::testing::TestWithParam<TWrongCase> {};

TEST_P(AppOptionsWrongTest, NamesWhatIsWrong) {
    const TAppOptions options = ParseAppOptions(QStringList{"rx47"} + GetParam().arguments);
    EXPECT_EQ(options.error.toStdString(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppOptionsWrongTest,
    ::testing::Values(
        TWrongCase{{"--simulate="}, "rx47: --simulate= needs a file name (try 'rx47 --help')"},
        TWrongCase{{"--bogus"}, "rx47: Unknown option 'bogus'. (try 'rx47 --help')"},
        TWrongCase{{"--connect=yes"},
                   "rx47: Unexpected value after '--connect'. (try 'rx47 "
                   "--help')"},
        TWrongCase{{"frames.txt"}, "rx47: unexpected argument 'frames.txt' (try 'rx47 --help')"},
        TWrongCase{{"--help", "extra"}, "rx47: unexpected argument 'extra' (try 'rx47 --help')"},
        TWrongCase{{"-platform"}, "rx47: Missing value after '-platform'. (try 'rx47 --help')"}));

TEST(AppUsage, ListsEveryOption) {
    const QString usage = AppUsage();
    EXPECT_TRUE(usage.startsWith("Usage: rx47 [options]")) << usage.toStdString();
    for (const char* option : {"--help", "--simulate", "--simulate=FILE", "--connect"})
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
    EXPECT_FALSE(usage.contains("platform"));
}

// ---- The built program, with no display at all ----

struct TProgramRun {
    int exitCode = -1;
    QByteArray out, err;
};

TProgramRun RunWithoutDisplay(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(RX47_WINDOW_PATH), arguments);
    TProgramRun run;
    if (!process.waitForStarted(60000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.err = "could not run " RX47_WINDOW_PATH;
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

TEST(WindowProgram, HelpNeedsNoDisplay) {
    const TProgramRun run = RunWithoutDisplay({"--help"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, AppUsage().toLocal8Bit());
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
}

TEST(WindowProgram, WrongCommandLineExitsTwoWithoutDisplay) {
    for (const QStringList& arguments :
         {QStringList{"--bogus"}, QStringList{"--simulate="}, QStringList{"--simulate", "x"}}) {
        const TProgramRun run = RunWithoutDisplay(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err,
                  ParseAppOptions(QStringList{"rx47"} + arguments).error.toLocal8Bit() + '\n');
    }
}

} // namespace
