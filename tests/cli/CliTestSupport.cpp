#include "CliTestSupport.h"

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "sim/SimHidBus.h"

#include <QProcess>

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
} // namespace

TCliRun RunCliInProcess(const QStringList& arguments, const QByteArray& decimalSep) {
    TBufferOutput output;
    gDecimalSep = decimalSep;
    TSimHidBus noDevices; // never the machine's own HID devices
    TCliEnvironment environment;
    environment.output = &output;
    environment.hidPlatform = &noDevices;
    environment.decimalSepQuery = TestDecimalSep;
    TCliRun run;
    run.exitCode = RunCli(QStringList{QStringLiteral("rx47-cli")} + arguments, environment);
    run.out = output.out;
    run.err = output.err;
    return run;
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
