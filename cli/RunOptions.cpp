#include "cli/RunOptions.h"

#include "cli/CliEnvironment.h"

std::vector<TOptionDef> RunOptionDefs() {
    return {{QStringLiteral("simulate"), TOptionDef::OptionalValue},
            {QStringLiteral("device"), TOptionDef::Value},
            {QStringLiteral("name"), TOptionDef::Value},
            {QStringLiteral("metrics"), TOptionDef::Value}};
}

bool ParseRunOptions(const TParsedArgs& args, TRunOptions& options, QString& error) {
    options.simulate = SimulateChoice(args);
    options.device = args.Value(QStringLiteral("device"));
    if (options.device == QLatin1String("serial:")) {
        error = QStringLiteral("--device serial: needs the cable's serial number");
        return false;
    }
    options.name = args.Value(QStringLiteral("name"));
    if (args.Has(QStringLiteral("name")) && !ValidLoggerName(options.name)) {
        error = QStringLiteral("--name '%1': use 1 to 64 letters, digits, '-' or '_'")
                    .arg(options.name);
        return false;
    }
    if (args.Has(QStringLiteral("metrics"))) {
        options.metrics = ParseMetricsAddress(args.Value(QStringLiteral("metrics")), error);
        if (!options.metrics)
            return false;
    }
    return true;
}

QString RunOptionsUsage() {
    return QStringLiteral(
        "  --device PATH      the cable at this node (rx47-cli list shows them), or\n"
        "  --device serial:S  the cable with serial number S; default: the window's choice\n"
        "  --name NAME        the logger's name in the output (letters, digits, '-', '_');\n"
        "                     default: the cable's serial number, or rx47\n"
        "  --metrics [ADDR:]PORT  serve Prometheus metrics on http://ADDR:PORT/metrics\n"
        "  --simulate         the simulated cable and logger instead of the machine's devices\n"
        "  --simulate=FILE    the same, replaying the frames of FILE (one hexadecimal frame per\n"
        "                     line); the run ends after the last one\n");
}

TRunContext::TRunContext(const TCliEnvironment& environment, const TRunOptions& options)
    : environment_(environment), options_(options),
      name_(options.name.isEmpty() ? QByteArray("rx47") : options.name.toLatin1()),
      decimalSep_(CliDecimalSep(environment)) {}

bool TRunContext::Start(QString& error) {
    if (!options_.metrics)
        return true;
    metrics_ = std::make_unique<TMetricsServer>();
    metrics_->State().name = name_;
    metrics_->State().version = RX47_VERSION;
    return metrics_->Listen(*options_.metrics, error);
}

void TRunContext::Install(TLinkRunHooks& hooks) {
    hooks.onConnected = [this, next = hooks.onConnected](const QString& serial) {
        if (options_.name.isEmpty() && !serial.isEmpty())
            name_ = SafeLoggerName(serial);
        if (metrics_) {
            metrics_->State().name = name_;
            metrics_->State().linkUp = true;
        }
        if (next)
            next(serial);
    };
    hooks.onDisconnected = [this, next = hooks.onDisconnected] {
        if (metrics_)
            metrics_->State().linkUp = false;
        if (next)
            next();
    };
}

TReadingValues TRunContext::Values(const TReading& reading) const {
    return ReadingValues(CliNow(environment_), reading, decimalSep_, name_);
}

void TRunContext::Observe(const TReadingValues& values) {
    if (metrics_) {
        metrics_->State().last = values;
        ++metrics_->State().readings;
    }
}
