#include "app/AppOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QString kReplayPrefix = QStringLiteral("--simulate=");

// The options Qt's application object takes for itself (display, style, window geometry): they
// pass through to it untouched and are not listed in the help.
QList<QCommandLineOption> QtOwnOptions() {
    QList<QCommandLineOption> options;
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display",
                             "style", "stylesheet", "geometry", "qwindowgeometry", "qwindowtitle",
                             "qwindowicon", "title", "session"})
        options << QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value"));
    for (const char* name : {"reverse", "nograb", "dograb", "sync", "widgetcount"})
        options << QCommandLineOption(QLatin1String(name));
    for (QCommandLineOption& option : options)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return options;
}

struct TAppParser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("show these options and exit")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral("put the simulated USB cable and logger on the bus; --simulate=FILE "
                       "replays recorded frames instead (one hex frame per line)")};
    QCommandLineOption connect{QStringLiteral("connect"),
                               QStringLiteral("press Connect once the window is up")};

    TAppParser() {
        // Qt's own options are words after a single dash ("-platform offscreen").
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("The RX47 temperature and humidity logger's window."));
        parser.addOption(help);
        parser.addOption(simulate);
        parser.addOption(connect);
        for (const QCommandLineOption& option : QtOwnOptions())
            parser.addOption(option);
    }
};

QString UsageError(const QString& what) {
    return QStringLiteral("rx47: %1 (try 'rx47 --help')").arg(what);
}

} // namespace

QStringList ArgumentList(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

TAppOptions ParseAppOptions(const QStringList& arguments) {
    TAppOptions options;
    // The parser knows no option whose value may be left out: --simulate=FILE is taken here,
    // the bare --simulate is the parser's.
    QStringList rest;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(kReplayPrefix)) {
            rest << argument;
            continue;
        }
        options.simulate = true;
        options.replayFile = argument.mid(kReplayPrefix.size());
        if (options.replayFile.isEmpty()) {
            options.error = UsageError(QStringLiteral("--simulate= needs a file name"));
            return options;
        }
    }

    TAppParser app;
    if (!app.parser.parse(rest)) {
        options.error = UsageError(app.parser.errorText());
        return options;
    }
    if (const QStringList extra = app.parser.positionalArguments(); !extra.isEmpty()) {
        options.error = UsageError(QStringLiteral("unexpected argument '%1'").arg(extra.first()));
        return options;
    }
    options.help = app.parser.isSet(app.help);
    options.simulate = options.simulate || app.parser.isSet(app.simulate);
    options.connect = app.parser.isSet(app.connect);
    return options;
}

QString AppUsage() {
    // The parser names the program after the application object's arguments, which do not exist
    // yet when the options are read: the first line is ours.
    const QString help = TAppParser().parser.helpText();
    return QStringLiteral("Usage: rx47 [options]") + help.mid(help.indexOf(QLatin1Char('\n')));
}
