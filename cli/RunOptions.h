#pragma once
// The options that read, record and publish share: which cable (--simulate, --device), the
// logger's name (--name) and the metrics endpoint (--metrics); and what follows from them during
// the run: the name once the cable is known, the metrics kept up to date.

#include "cli/CliArgs.h"
#include "cli/CliHid.h"
#include "cli/LinkRun.h"
#include "cli/MetricsServer.h"
#include "cli/ReadingFormats.h"

#include <QDateTime>
#include <memory>
#include <optional>
#include <vector>

struct TCliEnvironment;

struct TRunOptions {
    TSimulateChoice simulate;
    QString device;                         // empty: the window's choice of cable
    QString name;                           // empty: the cable's serial number, or "rx47"
    std::optional<TMetricsAddress> metrics; // --metrics
};

// simulate, device, name, metrics.
std::vector<TOptionDef> RunOptionDefs();
// False with `error` set (a usage error) when a value is wrong.
bool ParseRunOptions(const TParsedArgs& args, TRunOptions& options, QString& error);
// The lines of the shared options for a command's --help.
QString RunOptionsUsage();

// The name and the metrics during one run. Wrap the command's hooks with Install; each reading
// the command takes then goes through Values() to the metrics.
class TRunContext {
public:
    TRunContext(const TCliEnvironment& environment, const TRunOptions& options);

    // Starts the metrics server when asked for; false with `error` set when it cannot listen.
    bool Start(QString& error);
    // Adds the name and metrics steps to the hooks (onConnected, onDisconnected).
    void Install(TLinkRunHooks& hooks);

    const QByteArray& Name() const { return name_; }
    // The values of a reading that arrives now.
    TReadingValues Values(const TReading& reading) const;
    // A decoded reading, for the metrics.
    void Observe(const TReadingValues& values);

private:
    const TCliEnvironment& environment_;
    TRunOptions options_;
    QByteArray name_;
    QByteArray decimalSep_;
    std::unique_ptr<TMetricsServer> metrics_;
};
