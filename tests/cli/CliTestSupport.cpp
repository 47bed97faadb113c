#include "CliTestSupport.h"

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "sim/SimHidBus.h"

#include <QProcess>
#include <QTimeZone>

QByteArray FrameHex(int h3, int h2, int h1, int t3, int t2, int t1, int sign, int unit, int timeA,
                    int timeB) {
    QByteArray bytes(19, char(0x30));
    bytes[0] = 0x02;
    const int digits[] = {h3, h2, h1, t3, t2, t1, sign};
    for (int i = 0; i < 7; ++i)
        bytes[1 + i] = char(0x30 | digits[i]);
    bytes[13] = char(0x30 | unit);
    bytes[15] = char(timeA);
    bytes[16] = char(timeB);
    bytes[17] = 0x0D;
    bytes[18] = 0x0A;
    return bytes.toHex().toUpper();
}

namespace {
QByteArray gDecimalSep;
QByteArray TestDecimalSep() {
    return gDecimalSep;
}

// RunCli in this process with its output caught. Without a platform of the test's own the run
// sees an empty simulated bus, never the machine's HID devices.
TCliRun RunCaught(const QStringList& arguments, TCliEnvironment environment) {
    TBufferOutput output;
    TSimHidBus noDevices;
    environment.output = &output;
    if (environment.hidPlatform == nullptr)
        environment.hidPlatform = &noDevices;
    TCliRun run;
    run.exitCode = RunCli(QStringList{QStringLiteral("rx47-cli")} + arguments, environment);
    run.out = output.out;
    run.err = output.err;
    return run;
}
} // namespace

TCliRun RunCliInProcess(const QStringList& arguments, const QByteArray& decimalSep) {
    gDecimalSep = decimalSep;
    TCliEnvironment environment;
    environment.decimalSepQuery = TestDecimalSep;
    return RunCaught(arguments, environment);
}

namespace {
QDateTime FixedClock() {
    return QDateTime(QDate(2026, 12, 10), QTime(11, 20, 5), QTimeZone(3600));
}
QByteArray PointSep() {
    return ".";
}
} // namespace

TCliRun RunCliSimulated(const QStringList& arguments, IHidPlatform* platform) {
    TCliEnvironment environment;
    environment.decimalSepQuery = PointSep;
    environment.hidPlatform = platform;
    environment.instantSimulation = true;
    environment.clock = FixedClock;
    return RunCaught(arguments, environment);
}

QString CliProgramPath() {
    return QStringLiteral(RX47_CLI_PATH);
}

TCliRun RunCliProgram(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(CliProgramPath(), arguments);
    TCliRun run;
    if (!process.waitForStarted(60000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.err = "could not run " + CliProgramPath().toLocal8Bit();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
