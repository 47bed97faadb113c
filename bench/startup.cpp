// Start-up time: from process start to the first painted window, for the program's window and for
// a bare Qt window, each in fresh processes. Prints the medians with where the time goes (the
// application made, the window built, shown) and their ratio (goal: within 1.5x).
//
//   bench_startup [runs]        measure (default 15 runs of each)
//   bench_startup --child=KIND  internal: build the KIND window, print the moments of its
//                               application, window, show and first paint

#include "app/TFCOMM.h"
#include "bench/BenchSize.h"
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

// The child's moments, in the parent's clock (CLOCK_MONOTONIC is shared by all processes).
struct TMoments {
    int64_t app = 0, window = 0, shown = 0, painted = 0;
};

class FirstPaint : public QObject {
public:
    explicit FirstPaint(TMoments& moments) : moments_(moments) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            // Report after the paint has been handled.
            QMetaObject::invokeMethod(
                qApp,
                [this] {
                    moments_.painted = MonotonicMicros();
                    std::printf("%lld %lld %lld %lld\n", static_cast<long long>(moments_.app),
                                static_cast<long long>(moments_.window),
                                static_cast<long long>(moments_.shown),
                                static_cast<long long>(moments_.painted));
                    std::fflush(stdout);
                    QApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TMoments& moments_;
    bool done_ = false;
};

int RunChild(const QString& kind, int argc, char** argv) {
    TMoments moments;
    QApplication app(argc, argv);
    moments.app = MonotonicMicros();
    FirstPaint watcher(moments);
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
    moments.window = MonotonicMicros();
    window->installEventFilter(&watcher);
    window->show();
    moments.shown = MonotonicMicros();
    return QApplication::exec();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Medians in milliseconds from the process start: to the application, the window built, shown
// and painted. Negative when a child failed.
struct TPhases {
    double app = -1, window = -1, shown = -1, painted = -1;
};

TPhases MedianPhases(const QString& self, const QString& kind, int runs) {
    std::vector<double> app, window, shown, painted;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        const int64_t start = MonotonicMicros();
        child.start(self, {QStringLiteral("--child=") + kind});
        if (!child.waitForFinished(30000)) {
            std::fprintf(stderr, "child %s did not finish\n", qPrintable(kind));
            return {};
        }
        const QList<QByteArray> moments = child.readAllStandardOutput().trimmed().split(' ');
        if (moments.size() != 4 || moments[3].toLongLong() <= 0)
            return {};
        const auto since = [&](int k) { return double(moments[k].toLongLong() - start) / 1000.0; };
        app.push_back(since(0));
        window.push_back(since(1));
        shown.push_back(since(2));
        painted.push_back(since(3));
    }
    return {Median(app), Median(window), Median(shown), Median(painted)};
}

void PrintPhases(const char* name, const TPhases& p) {
    std::printf("  %-14s : %8.1f ms   (application %6.1f, window built %6.1f, shown %6.1f)\n", name,
                p.painted, p.app, p.window, p.shown);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--child=")))
            return RunChild(arg.mid(8), argc, argv);
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : BenchSize(15, 1);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    // One warm-up of each so that both read their libraries from the page cache.
    if (!BenchSmoke()) {
        MedianPhases(self, QStringLiteral("bare"), 1);
        MedianPhases(self, QStringLiteral("full"), 1);
    }
    const TPhases bare = MedianPhases(self, QStringLiteral("bare"), runs);
    const TPhases full = MedianPhases(self, QStringLiteral("full"), runs);
    std::printf(
        "start-up to first paint (median of %d, platform %s)\n", runs,
        qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")).toUtf8().constData());
    PrintPhases("bare Qt window", bare);
    PrintPhases("rx47 window", full);
    std::printf("  ratio          : %8.2fx (goal <= 1.50x)\n", full.painted / bare.painted);
    return bare.painted > 0 && full.painted > 0 ? 0 : 1;
}
