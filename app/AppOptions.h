#pragma once
// Command-line options of the window program. The program itself keeps no settings; these only
// choose what it runs on (for a demonstration without a logger) and what it does first.
//
// The options are read before the application object exists, so that --help and a wrong command
// line are answered on a box without a display.

#include <QString>
#include <QStringList>

struct TAppOptions {
    bool help = false;
    bool simulate = false; // --simulate or --simulate=FILE: the simulated cable and logger
    QString replayFile;    // --simulate=FILE: replay recorded frames
    bool connect = false;  // --connect: press Connect once the window is up
    QString error;         // a clear message for a wrong command line; the program exits 2
};

// `arguments` as main() receives them, the program's name first.
TAppOptions ParseAppOptions(const QStringList& arguments);
QStringList ArgumentList(int argc, const char* const* argv);
QString AppUsage();
