// The status line of `rx47-cli record` on a terminal: its text, when it is rewritten, how it
// makes way for messages, and that nothing of it reaches a pipe or a file.

#include "CliTestSupport.h"
#include "serial/PseudoTerminal.h"

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "cli/RecordStatusLine.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(RecordStatusText, CountsTheLastReadingAndTheTime) {
    const TReading celsius{"45.3%RH", "16:32", "23.4", "#"};
    const TReading dewFahrenheit{"----", "00:00", "-5.0", "DEW?"};
    struct Case {
        int64_t records;
        std::optional<TReading> last;
        int64_t seconds;
        QString text;
    };
    for (const Case& c :
         {Case{0, std::nullopt, 5, "0 records, 00:00:05"},
          Case{1, celsius, 65, "1 record, last 45.3%RH 23.4 \u00B0C at 16:32, 00:01:05"},
          Case{12, dewFahrenheit, 3723,
               "12 records, last ---- -5.0 DEW \u00B0F at 00:00, 01:02:03"},
          Case{100000, celsius, 360000,
               "100000 records, last 45.3%RH 23.4 \u00B0C at 16:32, "
               "100:00:00"}})
        EXPECT_EQ(QString::fromLocal8Bit(RecordStatusText(c.records, c.last, c.seconds)), c.text);
}

TEST(RecordStatusLine, RewritesItselfInPlaceAndMakesWayForMessages) {
    TBufferOutput terminal;
    terminal.errIsTerminal = true;
    int64_t now = 0;
    TRecordStatusLine line(terminal, [&] { return now; });
    const TReading reading{"45.3%RH", "16:32", "23.4", "#"};
    const QByteArray shown = "\r1 record, last 45.3%RH 23.4 \xC2\xB0"
                             "C at 16:32, 00:00:00\x1b[K";

    line.Reading(1, reading);
    EXPECT_EQ(terminal.err, shown);
    now = 50; // replayed frames come faster than anyone reads: not rewritten each time
    line.Reading(1, reading);
    EXPECT_EQ(terminal.err, shown);
    now = 1000;
    line.Tick();
    EXPECT_TRUE(terminal.err.endsWith("00:00:01\x1b[K"));

    terminal.err.clear();
    line.Err("rx47-cli: the cable went away\n"); // a message clears the line first
    EXPECT_EQ(terminal.err, "\r\x1b[Krx47-cli: the cable went away\n");
    now = 1010;
    line.Tick(); // and the line comes back at once below it
    EXPECT_TRUE(terminal.err.endsWith("00:00:01\x1b[K"));

    terminal.err.clear();
    line.Finish(); // stays, and the shell's prompt starts on a line of its own
    EXPECT_TRUE(terminal.err.startsWith("\r1 record"));
    EXPECT_TRUE(terminal.err.endsWith("\x1b[K\n"));
    line.Out("out");
    EXPECT_EQ(terminal.out, "out");
}

TEST(RecordStatusLine, NothingWhenStandardErrorIsNoTerminal) {
    TBufferOutput pipe;
    TRecordStatusLine line(pipe);
    line.Reading(1, TReading{"45.3%RH", "16:32", "23.4", "#"});
    line.Tick();
    line.Err("rx47-cli: message\n");
    line.Finish();
    EXPECT_EQ(pipe.err, "rx47-cli: message\n");
    EXPECT_FALSE(line.ErrIsTerminal());
}

// A replay file of two frames.
QString TwoFrames(const QTemporaryDir& dir) {
    const QString path = dir.filePath("frames.txt");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(FrameHex(4, 5, 3, 2, 3, 4, 0, 0) + '\n' + FrameHex(4, 6, 0, 2, 3, 5, 0, 0) + '\n');
    return path;
}

TEST(RecordCommand, ShowsTheStatusLineOnATerminalOnly) {
    QTemporaryDir dir;
    const QString frames = TwoFrames(dir);
    for (const bool onTerminal : {true, false}) {
        TBufferOutput output;
        output.errIsTerminal = onTerminal;
        TCliEnvironment environment;
        environment.output = &output;
        environment.decimalSepQuery = [] { return QByteArray("."); };
        environment.instantSimulation = true;
        const int code =
            RunCli({"rx47-cli", "record", "--out", dir.filePath("log.txt"), "--simulate=" + frames},
                   environment);
        EXPECT_EQ(code, kExitOk) << output.err.constData();
        EXPECT_TRUE(output.out.isEmpty());
        if (onTerminal) {
            EXPECT_TRUE(output.err.startsWith("\r")) << output.err.constData();
            EXPECT_TRUE(output.err.contains("\r2 records, last 46.0%RH 23.5"))
                << output.err.constData();
            EXPECT_TRUE(output.err.endsWith("\x1b[K\n")) << output.err.constData();
        } else {
            EXPECT_TRUE(output.err.isEmpty()) << output.err.constData();
        }
    }
}

TEST(RecordProgram, WritesTheStatusLineToARealTerminal) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    QTemporaryDir dir;
    QProcess program;
    program.setStandardErrorFile(QString::fromLocal8Bit(pty.slavePath));
    program.start(CliProgramPath(),
                  {"record", "--out", dir.filePath("log.txt"), "--simulate=" + TwoFrames(dir)});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), kExitOk);
    QByteArray terminal;
    char buffer[4096];
    for (pollfd p{pty.master, POLLIN, 0}; ::poll(&p, 1, 100) == 1;) {
        const ssize_t n = ::read(pty.master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        terminal.append(buffer, n);
    }
    EXPECT_TRUE(terminal.contains("\r2 records, last 46.0%RH 23.5")) << terminal.constData();
    EXPECT_TRUE(terminal.endsWith("\x1b[K\r\n")) << terminal.constData(); // the terminal's CR LF
}

} // namespace
