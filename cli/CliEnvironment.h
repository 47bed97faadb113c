#pragma once
// What a run of rx47-cli works with; the program uses the machine's pieces, tests their own.

#include <QByteArray>
#include <QDateTime>

class ICliOutput;
class IHidPlatform;

struct TCliEnvironment {
    ICliOutput* output = nullptr;              // required
    QByteArray (*decimalSepQuery)() = nullptr; // null: the environment's locale
    IHidPlatform* hidPlatform = nullptr;       // null: the machine's HID interfaces
    bool instantSimulation = false; // --simulate: reports at once instead of at 2400 baud
    QDateTime (*clock)() = nullptr; // null: the local wall-clock time
};

QByteArray CliDecimalSep(const TCliEnvironment& environment);
QDateTime CliNow(const TCliEnvironment& environment);
