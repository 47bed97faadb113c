// Idle cost: the window connected to a silent simulated logger (the cable sends an empty report
// about every 12 ms; the link timer ticks every 10 ms), measured with getrusage over 30 seconds.
// Goal: under 2% of one core.
//
//   bench_usb_idle [seconds]   (default 30)

#include "app/TFCOMM.h"
#include "app/UserDialogs.h"
#include "bench/BenchSize.h"
#include "sim/SimCableOnBus.h"

#include "base/HeadlessEnvironment.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TSilentDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, TMessageIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    std::optional<QString> AskSaveFileName(const TFileDialogRequest&) override { return {}; }
    std::optional<QString> AskOpenFileName(const TFileDialogRequest&) override { return {}; }
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : BenchSize(30.0, 0.2);

    TSimHidBus bus;
    auto cable = std::make_shared<TSimSerialCable>(TSimCablePacing::RealTime());
    cable->SetLoggerOn(false); // silent: only the cable's empty reports
    bus.Plug(SimCableInterface(cable));
    TSilentDialogs dialogs;
    TFCOMMEnvironment environment;
    environment.dialogs = &dialogs;
    environment.hidPlatform = &bus;
    TFCOMM window(environment);
    window.show();
    window.USBCon->click();
    // Let start-up work settle before measuring.
    QTimer::singleShot(BenchSize(1000, 100), &app, [] { QApplication::exit(0); });
    QApplication::exec();

    const int reportsBefore = cable->ReportsDelivered();
    const double cpuBefore = CpuSeconds();
    QTimer::singleShot(int(seconds * 1000), &app, [] { QApplication::exit(0); });
    QApplication::exec();
    const double cpu = CpuSeconds() - cpuBefore;
    const int reports = cable->ReportsDelivered() - reportsBefore;

    std::printf(
        "USB idle, connected to a silent logger for %.1f s: CPU %.3f s = %.2f%% of one core "
        "(goal < 2%%); %d empty reports handled (%.1f per second), link %s\n",
        seconds, cpu, 100.0 * cpu / seconds, reports, double(reports) / seconds,
        window.USBCon->isChecked() ? "still connected" : "released");
    window.USBCon->click();
    return 0;
}
