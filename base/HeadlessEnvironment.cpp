#include "base/HeadlessEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QtGlobal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

void PrepareHeadlessEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = "/tmp/rx47-runtime-" + QByteArray::number(getuid());
        mkdir(runtime.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    // A program started by a test inherits the test's folder (and leaves its removal to it).
    static QByteArray state;
    if (state.isEmpty() && !qgetenv("XDG_STATE_HOME").startsWith("/tmp/rx47-state-")) {
        QByteArray pattern = "/tmp/rx47-state-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            state = pattern;
            qputenv("XDG_STATE_HOME", state);
            std::atexit([] { QDir(QString::fromLocal8Bit(state)).removeRecursively(); });
        }
    }
}
