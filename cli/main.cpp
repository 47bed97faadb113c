// Entry of rx47-cli: no window and no display, just the event loop of a core application.

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TStdioOutput output;
    TCliEnvironment environment;
    environment.output = &output;
    return RunCli(QCoreApplication::arguments(), environment);
}
