#pragma once
// Command-line options of the window program. The program itself keeps no settings; these only
// choose what it runs on (for a demonstration without a logger) and what it does first.

#include <QString>
#include <QStringList>

struct TAppOptions {
    bool help = false;
    bool simulate = false; // --simulate or --simulate=FILE: the simulated cable and logger
    QString replayFile;    // --simulate=FILE: replay recorded frames
    bool connect = false;  // --connect: press Connect once the window is up
    QString error;         // a clear message for an unknown option
};

TAppOptions ParseAppOptions(const QStringList& arguments);
QString AppUsage();
