// Program entry: one window, the event loop until the application is told to terminate.

#include "app/AppOptions.h"
#include "app/TFCOMM.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString());
    const TAppOptions options = ParseAppOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        fprintf(stderr, "%s\n", qPrintable(options.error));
        return 2;
    }
    if (options.help) {
        fprintf(stdout, "%s", qPrintable(AppUsage()));
        return 0;
    }
    TFCOMM window;
    window.show();
    return QApplication::exec();
}
