#pragma once
// Helpers of the rx47-cli tests: frames in the logger's layout, in-process runs and runs of the
// built program.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

// A 19-byte frame as hexadecimal text: humidity digits h3 h2 h1 (bytes 2-4), temperature t3 t2 t1
// (bytes 5-7), sign (byte 8), unit/dew flag (byte 14), time bytes 16 and 17, CR LF. A digit is its
// low four bits (0xA blank, 0xB no reading).
QByteArray FrameHex(int h3, int h2, int h1, int t3, int t2, int t1, int sign, int unit,
                    int timeA = 0x10, int timeB = 0x20);

class IHidPlatform;

struct TCliRun {
    int exitCode = -1;
    QByteArray out, err;
};

// RunCli in this process; decimalSep is what the locale query answers.
TCliRun RunCliInProcess(const QStringList& arguments, const QByteArray& decimalSep = ".");

// RunCli in this process on the simulated cable at instant pacing, the clock fixed at
// 2026-12-10T11:20:05+01:00 and "." as the separator; platform: the HID platform (null: the
// machine's, or the simulated one with --simulate).
TCliRun RunCliInstant(const QStringList& arguments, IHidPlatform* platform = nullptr);

// The built rx47-cli as a subprocess (waits up to a minute).
TCliRun
RunCliProgram(const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
QString CliProgramPath();
