#include "cli/CliApp.h"

#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ConvertCommand.h"
#include "cli/DecodeCommand.h"
#include "cli/ExitCodes.h"
#include "cli/LinkCommands.h"

namespace {

struct TCommand {
    const char* name;
    int (*run)(const QStringList& arguments, const TCliEnvironment& environment);
    QString (*usage)();
};

const TCommand kCommands[] = {
    {"convert", RunConvert, ConvertUsage}, {"decode", RunDecode, DecodeUsage},
    {"list", RunList, ListUsage},          {"read", RunRead, ReadUsage},
    {"record", RunRecord, RecordUsage},
};

const TCommand* FindCommand(const QString& name) {
    for (const TCommand& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

} // namespace

int RunCli(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    const QString first = arguments.value(1);
    if (arguments.size() < 2) {
        output.Err(CliUsage().toLocal8Bit());
        return kExitUsage;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        output.Out(CliUsage().toLocal8Bit());
        return kExitOk;
    }
    if (first == QLatin1String("help")) {
        const QString topic = arguments.value(2);
        if (topic.isEmpty()) {
            output.Out(CliUsage().toLocal8Bit());
            return kExitOk;
        }
        if (const TCommand* command = FindCommand(topic)) {
            output.Out(command->usage().toLocal8Bit());
            return kExitOk;
        }
        ReportError(output,
                    QStringLiteral("no such command '%1' (try 'rx47-cli --help')").arg(topic));
        return kExitUsage;
    }
    const TCommand* command = FindCommand(first);
    if (!command) {
        ReportError(output,
                    QStringLiteral("no such command '%1' (try 'rx47-cli --help')").arg(first));
        return kExitUsage;
    }
    const int code = command->run(arguments.mid(2), environment);
    // Results that never reached standard output (> /dev/full) are no success.
    if (code == kExitOk && !output.OutFailure().isEmpty()) {
        ReportError(output, OutFailureMessage(output.OutFailure()));
        return kExitFailed;
    }
    return code;
}

QString CliUsage() {
    return QStringLiteral(
        "Usage: rx47-cli COMMAND [OPTIONS]\n"
        "The headless companion of the RX47 Interface Program.\n"
        "\n"
        "Commands:\n"
        "  convert IN OUT       open a data file and save it as another (.xml or text)\n"
        "  decode [--temp] HEX  decode one frame given as hexadecimal text\n"
        "  help [COMMAND]       this text, or the options of one command\n"
        "  list [--simulate]    the HID interfaces present, the interface cable marked\n"
        "  read [--count N]     print the logger's readings as they arrive\n"
        "  record --out FILE    record the readings into a data file\n"
        "\n"
        "'rx47-cli COMMAND --help' describes a command.\n"
        "\n"
        "Exit codes:\n"
        "  0  done (also a run stopped with Ctrl+C after a clean disconnect)\n"
        "  1  the operation failed: a conversion, a file, the link to the logger\n"
        "  2  the command line is wrong\n"
        "  3  no interface cable to connect to, or its device cannot be opened\n");
}
