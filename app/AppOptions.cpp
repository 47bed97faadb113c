#include "app/AppOptions.h"

TAppOptions ParseAppOptions(const QStringList& arguments) {
    TAppOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (arg == QLatin1String("--simulate")) {
            options.simulate = true;
        } else if (arg.startsWith(QLatin1String("--simulate="))) {
            options.simulate = true;
            options.replayFile = arg.mid(int(sizeof("--simulate=")) - 1);
            if (options.replayFile.isEmpty())
                options.error = QStringLiteral("rx47: --simulate= needs a file name");
        } else if (arg == QLatin1String("--connect")) {
            options.connect = true;
        } else {
            options.error = QStringLiteral("rx47: unknown option '%1' (try --help)").arg(arg);
        }
    }
    return options;
}

QString AppUsage() {
    return QStringLiteral(
        "Usage: rx47 [--simulate[=FILE]] [--connect]\n"
        "  --simulate       put the simulated USB cable and logger on the bus\n"
        "  --simulate=FILE  the same, replaying recorded frames (one hex frame per line)\n"
        "  --connect        press Connect once the window is up\n");
}
