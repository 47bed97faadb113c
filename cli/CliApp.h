#pragma once
// rx47-cli: the headless companion of the window program. RunCli takes the whole command line
// (program name first), runs one subcommand and returns the exit code (cli/ExitCodes.h).
// It needs a QCoreApplication; commands that talk to the logger run its event loop.

#include <QString>
#include <QStringList>

struct TCliEnvironment;

int RunCli(const QStringList& arguments, const TCliEnvironment& environment);
QString CliUsage();
