#include "cli/LinkCommands.h"

#include "cli/CliArgs.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/CliRecorder.h"
#include "cli/ExitCodes.h"
#include "cli/LinkRun.h"
#include "cli/ReadingFileSinks.h"
#include "cli/ReadingLine.h"
#include "cli/RecordSinks.h"
#include "cli/RecordStatusLine.h"
#include "cli/RunOptions.h"
#include "hid/HidAccessHint.h"

#include <optional>

namespace {

const TOptionDef kSimulateOption{QStringLiteral("simulate"), TOptionDef::OptionalValue};

std::vector<TOptionDef> WithRunOptions(std::vector<TOptionDef> definitions) {
    for (TOptionDef& shared : RunOptionDefs())
        definitions.push_back(std::move(shared));
    return definitions;
}

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
    for (int i = 0; i < hid.Captions().size(); ++i) {
        const auto& device = hid.Devices()[size_t(i)];
        lines += (i == cable ? "* " : "  ") + hid.Captions()[i].toLocal8Bit() + '\t' +
                 (device ? device->PnP().InterfacePath : QByteArray()) + '\n';
    }
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
        "shows and, after a TAB, the device's node (for --device). The interface cable the\n"
        "window would select is marked with '*'. When a device\n"
        "cannot be opened for lack of permission, standard error names the udev rule to install.\n"
        "  --simulate[=FILE]  the simulated cable instead of the machine's devices\n");
}

// ---- read -----------------------------------------------------------------------------------

int RunRead(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    int exitCode = kExitOk;
    const auto args = ParseCommand("read", arguments,
                                   WithRunOptions({{QStringLiteral("count"), TOptionDef::Value},
                                                   {QStringLiteral("format"), TOptionDef::Value}}),
                                   ReadUsage, output, exitCode);
    if (!args)
        return exitCode;
    std::optional<int> count;
    QString error;
    if (args->Has(QStringLiteral("count"))) {
        count = ParseNumberOption(*args, QStringLiteral("count"), 1, error);
        if (!count)
            return UsageError(output, "read", error);
    }
    TReadingFormat format = TReadingFormat::Tsv;
    if (args->Has(QStringLiteral("format"))) {
        const auto named = ReadingFormatNamed(args->Value(QStringLiteral("format")));
        if (!named)
            return UsageError(output, "read",
                              QStringLiteral("--format '%1': use tsv, csv, jsonl or influx")
                                  .arg(args->Value(QStringLiteral("format"))));
        format = *named;
    }
    TRunOptions options;
    if (!ParseRunOptions(*args, options, error))
        return UsageError(output, "read", error);
    TRunContext context(environment, options);
    if (!context.Start(error)) {
        ReportError(output, error);
        return kExitFailed;
    }

    int readings = 0;
    TLinkRunHooks hooks;
    hooks.onConnected = [&](const QString&) {
        if (format == TReadingFormat::Csv)
            output.Out(CsvHeader());
    };
    hooks.onReading = [&](const TReading& reading, QString& failure) {
        const TReadingValues values = context.Values(reading);
        context.Observe(values);
        output.Out(FormatReading(format, values, reading));
        // A run whose lines go nowhere ends at once instead of reading on for nothing.
        if (!output.OutFailure().isEmpty()) {
            failure = OutFailureMessage(output.OutFailure());
            return false;
        }
        ++readings;
        return true;
    };
    hooks.done = [&] { return count && readings >= *count; };
    context.Install(hooks);
    return RunLink(environment, options.simulate, options.device,
                   DecodeSettings(environment, false), hooks);
}

QString ReadUsage() {
    return QStringLiteral(
               "Usage: rx47-cli read [--count N] [--format F] [--device D] [--name NAME]\n"
               "                     [--metrics [ADDR:]PORT] [--simulate[=FILE]]\n"
               "Connects to the interface cable as the window's Connect does and "
               "prints one line per\n"
               "decoded reading. Ctrl+C disconnects cleanly and ends the run.\n"
               "  --count N          end after N readings\n"
               "  --format F         tsv (default): the local time in ISO 8601 with "
               "its UTC offset,\n"
               "                     then Time, %RH, Temp and Unit, TAB-separated;\n"
               "                     csv (with a header line), jsonl (one JSON object "
               "a line) or\n"
               "                     influx (InfluxDB line protocol)\n") +
           RunOptionsUsage();
}

// ---- record ---------------------------------------------------------------------------------

int RunRecord(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    int exitCode = kExitOk;
    const auto args = ParseCommand("record", arguments,
                                   WithRunOptions({{QStringLiteral("out"), TOptionDef::Value},
                                                   {QStringLiteral("limit"), TOptionDef::Value},
                                                   {QStringLiteral("interval"), TOptionDef::Value},
                                                   {QStringLiteral("repeat"), TOptionDef::Flag},
                                                   {QStringLiteral("temp"), TOptionDef::Flag}}),
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
    TRunOptions options;
    if (!ParseRunOptions(*args, options, error))
        return UsageError(output, "record", error);
    TRunContext context(environment, options);

    // The file is checked before the link comes up, so that no reading is taken in vain.
    const QString fileName = args->Value(QStringLiteral("out"));
    std::unique_ptr<IRecordSink> sink = OpenReadingFileSink(
        fileName, [&](const TReading& reading) { return context.Values(reading); }, error);
    if (!sink && error.isEmpty())
        sink = OpenRecordSink(fileName, error);
    if (!sink || !context.Start(error)) {
        ReportError(output, error);
        return kExitFailed;
    }
    TCliRecorder recorder(settings, *sink);
    // On a terminal, a status line on standard error; everything the run writes goes through it.
    TRecordStatusLine status(output);
    TCliEnvironment statusEnvironment = environment;
    statusEnvironment.output = &status;
    TLinkRunHooks hooks;
    hooks.onReading = [&](const TReading& reading, QString& readingError) {
        context.Observe(context.Values(reading));
        const bool recorded = recorder.Offer(reading, readingError);
        status.Reading(recorder.Table().Count(), reading);
        return recorded;
    };
    hooks.done = [&] { return recorder.LimitReached(); };
    hooks.onSecond = [&] {
        recorder.Tick();
        status.Tick();
    };
    context.Install(hooks);
    const int linkCode =
        RunLink(statusEnvironment, options.simulate, options.device,
                DecodeSettings(environment, args->Has(QStringLiteral("temp"))), hooks);
    status.Finish();
    if (!sink->Finish(recorder.Table(), error)) {
        ReportError(output, error);
        return kExitFailed;
    }
    return linkCode;
}

QString RecordUsage() {
    return QStringLiteral(
               "Usage: rx47-cli record --out FILE [--limit N] [--interval S] [--repeat] [--temp]\n"
               "                       [--device D] [--name NAME] [--metrics [ADDR:]PORT]\n"
               "                       [--simulate[=FILE]]\n"
               "Connects to the interface cable and records the readings under the window's "
               "logging\n"
               "policy. FILE ending in .xml (any case) is an XML data packet, written when the run "
               "ends\n"
               "with the records it already held and the new ones; .csv is CSV with a header line "
               "and\n"
               ".jsonl one JSON object a line (as read --format prints them); any other name is a\n"
               "tab-separated text table, continued if it is one, with every record appended whole "
               "and\n"
               "synced as it is taken, so an interrupted or killed run keeps its records. The "
               "numbers\n"
               "go on from the file's last record. A file that is not a table this program can "
               "open is\n"
               "refused, and the file is locked for the run (a second run on it is told it is in "
               "use).\n"
               "The run ends at the record limit, with Ctrl+C, SIGTERM or SIGHUP, or after the "
               "last\n"
               "frame of a replay.\n"
               "  --out FILE         the file to write\n"
               "  --limit N          at most N records (default 10000)\n"
               "  --interval S       one record every S seconds at most (the sampling interval)\n"
               "  --repeat           skip a reading equal to the last record\n"
               "  --temp             the chart value is the temperature (\"%RH / Temp\" "
               "ticked)\n") +
           RunOptionsUsage();
}
