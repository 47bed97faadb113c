#pragma once
// What a run of rx47-cli works with; the program uses the machine's pieces, tests their own.

#include <QByteArray>

class ICliOutput;

struct TCliEnvironment {
    ICliOutput* output = nullptr;              // required
    QByteArray (*decimalSepQuery)() = nullptr; // null: the environment's locale
};

QByteArray CliDecimalSep(const TCliEnvironment& environment);
