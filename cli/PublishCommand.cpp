#include "cli/PublishCommand.h"

#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "cli/MqttPublisher.h"
#include "cli/RunOptions.h"

#include <QFileInfo>

namespace {

constexpr int kCloseTimeoutMs = 5000;

int UsageError(ICliOutput& output, const QString& error) {
    ReportError(output, QStringLiteral("publish: %1 (try 'rx47-cli publish --help')").arg(error));
    return kExitUsage;
}

// The broker settings of the command line; false with `error` (a usage error) or `fileError` (a
// file that cannot be read: exit 1) set.
bool ParseMqttSettings(const TParsedArgs& args, TMqttSettings& settings, QString& error,
                       QString& fileError) {
    if (!args.Has(QStringLiteral("mqtt"))) {
        error = QStringLiteral("publish needs --mqtt mqtt://HOST[:PORT]");
        return false;
    }
    settings.caFile = args.Value(QStringLiteral("tls-ca"));
    settings.tls = !settings.caFile.isEmpty();
    if (!ParseBrokerUrl(args.Value(QStringLiteral("mqtt")), settings, error))
        return false;
    if (args.Has(QStringLiteral("prefix"))) {
        const QString prefix = args.Value(QStringLiteral("prefix"));
        if (!ValidTopicPrefix(prefix)) {
            error = QStringLiteral("--prefix '%1': topic levels without '+', '#', blanks or "
                                   "empty levels")
                        .arg(prefix);
            return false;
        }
        settings.prefix = prefix.toUtf8();
    }
    const bool user = args.Has(QStringLiteral("user"));
    if (user != args.Has(QStringLiteral("password-file"))) {
        error = QStringLiteral("--user and --password-file go together");
        return false;
    }
    if (user) {
        settings.user = args.Value(QStringLiteral("user")).toUtf8();
        if (!ReadPasswordFile(args.Value(QStringLiteral("password-file")), settings.password,
                              fileError))
            return false;
    }
    if (settings.tls && !QFileInfo(settings.caFile).isReadable() && !settings.caFile.isEmpty()) {
        fileError = QStringLiteral("--tls-ca: %1: cannot be read").arg(settings.caFile);
        return false;
    }
    settings.version = RX47_VERSION;
    return true;
}

} // namespace

int RunPublish(const QStringList& arguments, const TCliEnvironment& environment) {
    ICliOutput& output = *environment.output;
    TParsedArgs args = ParseArgs(arguments, [] {
        std::vector<TOptionDef> definitions = {{QStringLiteral("mqtt"), TOptionDef::Value},
                                               {QStringLiteral("prefix"), TOptionDef::Value},
                                               {QStringLiteral("user"), TOptionDef::Value},
                                               {QStringLiteral("password-file"), TOptionDef::Value},
                                               {QStringLiteral("tls-ca"), TOptionDef::Value},
                                               {QStringLiteral("interval"), TOptionDef::Value},
                                               {QStringLiteral("count"), TOptionDef::Value}};
        for (TOptionDef& shared : RunOptionDefs())
            definitions.push_back(std::move(shared));
        return definitions;
    }());
    if (args.help) {
        output.Out(PublishUsage().toLocal8Bit());
        return kExitOk;
    }
    if (args.error.isEmpty() && !args.positionals.isEmpty())
        args.error = QStringLiteral("unexpected argument '%1'").arg(args.positionals[0]);
    if (!args.error.isEmpty())
        return UsageError(output, args.error);

    QString error, fileError;
    TRunOptions options;
    if (!ParseRunOptions(args, options, error))
        return UsageError(output, error);
    int intervalSeconds = 0;
    if (args.Has(QStringLiteral("interval"))) {
        const auto seconds = ParseNumberOption(args, QStringLiteral("interval"), 0, error);
        if (!seconds)
            return UsageError(output, error);
        intervalSeconds = *seconds;
    }
    std::optional<int> count;
    if (args.Has(QStringLiteral("count"))) {
        count = ParseNumberOption(args, QStringLiteral("count"), 1, error);
        if (!count)
            return UsageError(output, error);
    }
    TMqttSettings settings;
    if (!ParseMqttSettings(args, settings, error, fileError)) {
        if (!fileError.isEmpty()) {
            ReportError(output, fileError);
            return kExitFailed;
        }
        return UsageError(output, error);
    }
    TRunContext context(environment, options);
    if (!context.Start(error)) {
        ReportError(output, error);
        return kExitFailed;
    }

    // The publisher starts once the cable (and so the default name) is known.
    std::unique_ptr<TMqttPublisher> publisher;
    std::function<void(const QString&)> failRun;
    QString refused;
    int published = 0;
    QDateTime lastPublished;
    TLinkRunHooks hooks;
    hooks.onConnected = [&](const QString&) {
        settings.name = context.Name();
        publisher = std::make_unique<TMqttPublisher>(settings);
        publisher->OnMessage = [&](const QString& message) { ReportError(output, message); };
        publisher->OnRefused = [&](const QString& message) {
            refused = message;
            if (failRun)
                failRun(message);
        };
        QString startError;
        if (!publisher->Start(startError) && failRun)
            failRun(startError);
    };
    hooks.onReading = [&](const TReading& reading, QString&) {
        const TReadingValues values = context.Values(reading);
        context.Observe(values);
        const bool due =
            !lastPublished.isValid() || lastPublished.secsTo(values.when) >= intervalSeconds;
        if (publisher && due) {
            publisher->Publish(JsonObject(values), values.fahrenheit);
            lastPublished = values.when;
            ++published;
        }
        return true;
    };
    hooks.done = [&] { return count && published >= *count; };
    hooks.drain = [&](std::function<void()> done) {
        if (publisher && refused.isEmpty())
            publisher->Drain(std::move(done));
        else
            done();
    };
    hooks.attach = [&](std::function<void(const QString&)> fail) { failRun = std::move(fail); };
    context.Install(hooks);
    int exitCode = RunLink(
        environment, options.simulate, options.device,
        [&] {
            TDecodeSettings decode;
            decode.DecimalSep = CliDecimalSep(environment);
            return decode;
        }(),
        hooks);
    if (publisher) {
        publisher->Close(kCloseTimeoutMs);
        if (publisher->Pending() > 0 && refused.isEmpty()) {
            ReportError(output, QStringLiteral("%1 readings were not published (the broker did "
                                               "not take them in time)")
                                    .arg(publisher->Pending()));
            if (exitCode == kExitOk)
                exitCode = kExitFailed;
        }
    }
    return exitCode;
}

QString PublishUsage() {
    return QStringLiteral(
               "Usage: rx47-cli publish --mqtt mqtt://HOST[:PORT] [--prefix PREFIX] [--name NAME]\n"
               "                        [--user USER --password-file FILE] [--tls-ca FILE]\n"
               "                        [--interval S] [--count N] [--device D]\n"
               "                        [--metrics [ADDR:]PORT] [--simulate[=FILE]]\n"
               "Connects to the interface cable and publishes every reading to an MQTT broker as\n"
               "the JSON object of 'read --format jsonl' on PREFIX/NAME/state (QoS 1). "
               "PREFIX/NAME/status\n"
               "is 'online' (retained) while connected, 'offline' after a clean end or, as the\n"
               "broker's last will, when the link to it breaks. Home Assistant finds the "
               "temperature\n"
               "and humidity sensors by MQTT discovery (homeassistant/sensor/rx47_NAME_*/config).\n"
               "While the broker is away the readings wait (up to 100000) and go out in order "
               "once it\n"
               "is back; reconnects back off up to a minute. A replay ends once its last reading "
               "is\n"
               "published and acknowledged.\n"
               "  --mqtt URL         the broker: mqtt://HOST[:PORT] (1883), mqtts://HOST[:PORT] "
               "(8883, TLS)\n"
               "  --prefix PREFIX    the topics' first levels (default rx47)\n"
               "  --user USER        the broker's user name, with\n"
               "  --password-file F  the password on the first line of F\n"
               "  --tls-ca FILE      TLS, trusting the authorities in FILE (PEM)\n"
               "  --interval S       publish at most one reading every S seconds\n"
               "  --count N          end after publishing N readings\n") +
           RunOptionsUsage();
}
