// Start-up time: from process start to the first painted window, for the program's window and for
// a bare Qt window, each in fresh processes. Prints the medians and their ratio (goal:
// within 1.5x).
//
//   bench_startup [runs]        measure (default 15 runs of each)
//   bench_startup --child=KIND  internal: build the KIND window, print the first-paint time

#include "app/TFCOMM.h"
#include "sim/SimHidBus.h"

#include <QApplication>
#include <QEvent>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

int64_t MonotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            // Report after the paint has been handled.
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::printf("%lld\n", static_cast<long long>(MonotonicMicros()));
                    std::fflush(stdout);
                    QApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done_ = false;
};

int RunChild(const QString& kind, int argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaint watcher;
    TSimHidBus noDevices; // the figure is the window's own, whatever the machine has plugged
    std::unique_ptr<QWidget> window;
    if (kind == QLatin1String("full")) {
        TFCOMMEnvironment environment;
        environment.hidPlatform = &noDevices;
        window = std::make_unique<TFCOMM>(environment);
    } else {
        window = std::make_unique<QWidget>();
        window->resize(740, 520);
    }
    window->installEventFilter(&watcher);
    window->show();
    return QApplication::exec();
}

double MedianMillis(const QString& self, const QString& kind, int runs) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        const int64_t start = MonotonicMicros();
        child.start(self, {QStringLiteral("--child=") + kind});
        if (!child.waitForFinished(30000)) {
            std::fprintf(stderr, "child %s did not finish\n", qPrintable(kind));
            return -1;
        }
        const long long painted = child.readAllStandardOutput().trimmed().toLongLong();
        if (painted <= 0)
            return -1;
        samples.push_back(double(painted - start) / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--child=")))
            return RunChild(arg.mid(8), argc, argv);
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    // One warm-up of each so that both read their libraries from the page cache.
    MedianMillis(self, QStringLiteral("bare"), 1);
    MedianMillis(self, QStringLiteral("full"), 1);
    const double bare = MedianMillis(self, QStringLiteral("bare"), runs);
    const double full = MedianMillis(self, QStringLiteral("full"), runs);
    std::printf(
        "start-up to first paint (median of %d, platform %s)\n", runs,
        qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")).toUtf8().constData());
    std::printf("  bare Qt window : %8.1f ms\n", bare);
    std::printf("  rx47 window    : %8.1f ms\n", full);
    std::printf("  ratio          : %8.2fx (goal <= 1.50x)\n", full / bare);
    return bare > 0 && full > 0 ? 0 : 1;
}
