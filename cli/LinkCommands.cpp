#include "cli/LinkCommands.h"

#include "cli/CliArgs.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/CliRecorder.h"
#include "cli/ExitCodes.h"
#include "cli/LinkRun.h"
#include "cli/ReadingLine.h"
#include "cli/RecordSinks.h"
#include "hid/HidAccessHint.h"

#include <optional>

namespace {

const TOptionDef kSimulateOption{QStringLiteral("simulate"), TOptionDef::OptionalValue};

// Parses the arguments; on --help prints `usage` and on an error reports it. nullopt with the exit
// code set when the command is over.
std::optional<TParsedArgs> ParseCommand(const char* name, const QStringList& arguments,
                                        const std::vector<TOptionDef>& definitions,
                                        QString (*usage)(), ICliOutput& output, int& exitCode) {
    TParsedArgs args = ParseArgs(arguments, definitions);
    if (args.help) {
        output.Out(usage().toLocal8Bit());
        exitCode = kExitOk;
        return std::nullopt;
    }
    if (args.error.isEmpty() && !args.positionals.isEmpty())
        args.error = QStringLiteral("unexpected argument '%1'").arg(args.positionals[0]);
    if (!args.error.isEmpty()) {
        ReportError(output, QStringLiteral("%1: %2 (try 'rx47-cli %1 --help')")
                                .arg(QLatin1String(name), args.error));
        exitCode = kExitUsage;
        return std::nullopt;
    }
    return args;
}

int UsageError(ICliOutput& output, const char* name, const QString& error) {
    ReportError(
        output,
        QStringLiteral("%1: %2 (try 'rx47-cli %1 --help')").arg(QLatin1String(name), error));
    return kExitUsage;
}

TDecodeSettings DecodeSettings(const TCliEnvironment& environment, bool plotTemperature) {
    TDecodeSettings settings;
    settings.DecimalSep = CliDecimalSep(environment);
    settings.PlotTemperature = plotTemperature;
    return settings;
}

} // namespace

// ---- list -----------------------------------------------------------------------------------

int RunList(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    int exitCode = kExitOk;
    const auto args =
        ParseCommand("list", arguments, {kSimulateOption}, ListUsage, output, exitCode);
    if (!args)
        return exitCode;
    TCliHid hid;
    QString error;
    if (!hid.Open(environment, SimulateChoice(*args), error)) {
        ReportError(output, error);
        return kExitFailed;
    }
    const int cable = hid.CableIndex();
    QByteArray lines;
    for (int i = 0; i < hid.Captions().size(); ++i)
        lines += (i == cable ? "* " : "  ") + hid.Captions()[i].toLocal8Bit() + '\n';
    output.Out(lines);
    for (const auto& device : hid.Devices()) {
        if (device && HidAccessDenied(*device)) {
            ReportError(output, HidAccessDeniedMessage(device->PnP().InterfacePath));
            break; // once per run
        }
    }
    return kExitOk;
}

QString ListUsage() {
    return QStringLiteral(
        "Usage: rx47-cli list [--simulate[=FILE]]\n"
        "Lists the HID interfaces present, one line each with the text the window's device list\n"
        "shows. The interface cable the window would select is marked with '*'. When a device\n"
        "cannot be opened for lack of permission, standard error names the udev rule to install.\n"
        "  --simulate[=FILE]  the simulated cable instead of the machine's devices\n");
}

// ---- read -----------------------------------------------------------------------------------

int RunRead(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    int exitCode = kExitOk;
    const auto args = ParseCommand("read", arguments,
                                   {{QStringLiteral("count"), TOptionDef::Value}, kSimulateOption},
                                   ReadUsage, output, exitCode);
    if (!args)
        return exitCode;
    std::optional<int> count;
    if (args->Has(QStringLiteral("count"))) {
        QString error;
        count = ParseNumberOption(*args, QStringLiteral("count"), 1, error);
        if (!count)
            return UsageError(output, "read", error);
    }

    int readings = 0;
    TLinkRunHooks hooks;
    hooks.onReading = [&](const TReading& reading, QString& error) {
        output.Out(ReadingLine(CliNow(environment), reading.Time, reading.Humidity,
                               reading.Temperature, reading.Unit));
        // A run whose lines go nowhere ends at once instead of reading on for nothing.
        if (!output.OutFailure().isEmpty()) {
            error = OutFailureMessage(output.OutFailure());
            return false;
        }
        ++readings;
        return true;
    };
    hooks.done = [&] { return count && readings >= *count; };
    return RunLink(environment, SimulateChoice(*args), DecodeSettings(environment, false), hooks);
}

QString ReadUsage() {
    return QStringLiteral(
        "Usage: rx47-cli read [--count N] [--simulate[=FILE]]\n"
        "Connects to the interface cable as the window's Connect does and prints one line per\n"
        "decoded reading: the local time in ISO 8601 with its UTC offset, then Time, %RH, Temp\n"
        "and Unit, TAB-separated. Ctrl+C disconnects cleanly and ends the run.\n"
        "  --count N          end after N readings\n"
        "  --simulate         the simulated cable and logger instead of the machine's devices\n"
        "  --simulate=FILE    the same, replaying the frames of FILE (one hexadecimal frame per\n"
        "                     line); the run ends after the last one\n");
}

// ---- record ---------------------------------------------------------------------------------

int RunRecord(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    int exitCode = kExitOk;
    const auto args = ParseCommand("record", arguments,
                                   {{QStringLiteral("out"), TOptionDef::Value},
                                    {QStringLiteral("limit"), TOptionDef::Value},
                                    {QStringLiteral("interval"), TOptionDef::Value},
                                    {QStringLiteral("repeat"), TOptionDef::Flag},
                                    {QStringLiteral("temp"), TOptionDef::Flag},
                                    kSimulateOption},
                                   RecordUsage, output, exitCode);
    if (!args)
        return exitCode;
    if (!args->Has(QStringLiteral("out")))
        return UsageError(output, "record", QStringLiteral("record needs --out FILE"));
    TRecorderSettings settings;
    QString error;
    if (args->Has(QStringLiteral("limit"))) {
        const std::optional<int> limit =
            ParseNumberOption(*args, QStringLiteral("limit"), 1, error);
        if (!limit)
            return UsageError(output, "record", error);
        settings.limit = *limit;
    }
    if (args->Has(QStringLiteral("interval"))) {
        const std::optional<int> seconds =
            ParseNumberOption(*args, QStringLiteral("interval"), 0, error);
        if (!seconds)
            return UsageError(output, "record", error);
        settings.interval = true;
        settings.intervalText = QByteArray::number(*seconds);
    }
    settings.repeat = args->Has(QStringLiteral("repeat"));

    // The file is checked before the link comes up, so that no reading is taken in vain.
    const QString fileName = args->Value(QStringLiteral("out"));
    const std::unique_ptr<IRecordSink> sink = OpenRecordSink(fileName, error);
    if (!sink) {
        ReportError(output, error);
        return kExitFailed;
    }
    TCliRecorder recorder(settings, *sink);
    TLinkRunHooks hooks;
    hooks.onReading = [&](const TReading& reading, QString& readingError) {
        return recorder.Offer(reading, readingError);
    };
    hooks.done = [&] { return recorder.LimitReached(); };
    hooks.onSecond = [&] { recorder.Tick(); };
    const int linkCode =
        RunLink(environment, SimulateChoice(*args),
                DecodeSettings(environment, args->Has(QStringLiteral("temp"))), hooks);
    if (!sink->Finish(recorder.Table(), error)) {
        ReportError(output, error);
        return kExitFailed;
    }
    return linkCode;
}

QString RecordUsage() {
    return QStringLiteral(
        "Usage: rx47-cli record --out FILE [--limit N] [--interval S] [--repeat] [--temp]\n"
        "                       [--simulate[=FILE]]\n"
        "Connects to the interface cable and records the readings under the window's logging\n"
        "policy. FILE ending in .xml (any case) is an XML data packet, written when the run ends;\n"
        "any other name is a tab-separated text table, continued if it exists, with every record\n"
        "appended and flushed as it is taken, so an interrupted or killed run keeps its records.\n"
        "The run ends at the record limit, with Ctrl+C, or after the last frame of a replay.\n"
        "  --out FILE         the file to write\n"
        "  --limit N          at most N records (default 10000)\n"
        "  --interval S       one record every S seconds at most (the sampling interval)\n"
        "  --repeat           skip a reading equal to the last record\n"
        "  --temp             the chart value is the temperature (\"%RH / Temp\" ticked)\n"
        "  --simulate[=FILE]  the simulated cable (replaying FILE) instead of the machine's\n");
}
