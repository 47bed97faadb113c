// Readings through the whole USB pipeline: the simulated cable (instant pacing), the HID reader
// thread, the hand-off to the event thread, reassembly, decoding, the record table with its grid
// and the chart. Prints frames per second with an empty table and with 1,000,000 records already
// in it, and the latency from the report that closes a frame to its record in the table.
// Goals: at least 20,000 frames per second and p99 under 1 ms, also with 1,000,000 records.
//
//   bench_usb_pipeline [frames]   (default 20000 per run)

#include "app/TFCOMM.h"
#include "app/UserDialogs.h"
#include "bench/BenchSize.h"
#include "records/RecordTable.h"
#include "sim/SimCableOnBus.h"

#include "base/HeadlessEnvironment.h"
#include <QAbstractTableModel>
#include <QAction>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TSilentDialogs : public IUserDialogs {
public:
    void ShowMessage(const QString& text, TMessageIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    std::optional<QString> AskSaveFileName(const TFileDialogRequest&) override { return {}; }
    std::optional<QString> AskOpenFileName(const TFileDialogRequest&) override { return {}; }
};

void Preload(TFCOMM& window, int64_t records) {
    std::vector<TRecord> rows(static_cast<size_t>(records));
    for (int64_t i = 0; i < records; ++i) {
        TRecord& r = rows[size_t(i)];
        r.No = int32_t(i + 1);
        r.Text = {QByteArray("12:34"), QByteArray("45.3%RH"), QByteArray("23.4"), QByteArray("#")};
    }
    window.cds1->Replace(std::move(rows), std::vector<bool>(size_t(records), true), {});
    window.State.RecordNo = int32_t(records + 1);
    window.State.RecordCount = int32_t(records);
}

// CPU time of the calling thread: on a loaded machine the wall-clock rate mostly shows how long
// the two threads wait for a core, so the event thread's CPU per frame is printed as well.
double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// False when not every frame reached the table in time.
bool Run(int64_t preload, int frames) {
    TSimHidBus bus;
    auto cable = std::make_shared<TSimSerialCable>(TSimCablePacing::Instant());
    bus.Plug(SimCableInterface(cable));
    TSilentDialogs dialogs;
    TFCOMMEnvironment environment;
    environment.dialogs = &dialogs;
    environment.hidPlatform = &bus;
    environment.startTimers = false;
    auto window = std::make_unique<TFCOMM>(environment);
    // Not shown: painting is paced by the screen, not by the link, and is measured elsewhere.
    window->limitess->trigger(); // no record limit
    window->RepeatSet->setChecked(false);
    window->RecordSI->setChecked(false);
    if (preload > 0)
        Preload(*window, preload);
    QCoreApplication::processEvents();

    // Time stamps: the report that closes frame k leaves the cable; record k enters the table.
    std::vector<Clock::time_point> closed(size_t(frames) + 8), recorded(size_t(frames) + 8);
    std::atomic<size_t> closedCount{0};
    size_t recordedCount = 0;
    cable->SetDeliveryHook([&](const QByteArray& report) {
        if (uint8_t(report[1]) == 0xF0) {
            const size_t k = closedCount.fetch_add(1);
            if (k < closed.size())
                closed[k] = Clock::now();
        }
    });
    // The program's own event loop, which sleeps when there is nothing to do.
    QEventLoop loop;
    QObject::connect(window->Data1, &QAbstractItemModel::rowsInserted, [&] {
        if (recordedCount < recorded.size())
            recorded[recordedCount] = Clock::now();
        if (++recordedCount == size_t(frames))
            loop.quit();
    });
    QTimer::singleShot(std::chrono::seconds(120), &loop, &QEventLoop::quit);

    cable->SetFrameBudget(frames);
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    window->USBCon->click();
    loop.exec();
    const Clock::time_point end = Clock::now();
    const double cpu = ThreadCpuSeconds() - cpuStart;

    std::vector<double> latency;
    const size_t paired = std::min(recordedCount, closedCount.load());
    for (size_t k = 0; k < paired && k < size_t(frames); ++k)
        latency.push_back(Micros(recorded[k] - closed[k]));
    std::sort(latency.begin(), latency.end());
    const auto at = [&](double q) {
        return latency.empty()
                   ? 0.0
                   : latency[std::min(latency.size() - 1, size_t(q * double(latency.size())))];
    };
    const double seconds = std::chrono::duration<double>(end - start).count();
    std::printf("records before: %8lld  frames: %6zu  %8.0f frames/s  event thread %6.1f us CPU "
                "per frame (%6.0f frames/s of one core)  latency p50 %7.1f us  p99 %8.1f us  max "
                "%8.1f us%s\n",
                static_cast<long long>(preload), recordedCount, double(recordedCount) / seconds,
                1e6 * cpu / double(std::max<size_t>(1, recordedCount)),
                double(recordedCount) / std::max(1e-9, cpu), at(0.50), at(0.99),
                latency.empty() ? 0.0 : latency.back(),
                recordedCount < size_t(frames) ? "  (timed out)" : "");
    std::fflush(stdout);
    window->USBCon->click(); // disconnect before the window goes
    window.reset();
    return recordedCount >= size_t(frames);
}

} // namespace

int main(int argc, char** argv) {
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : BenchSize(20000, 50);
    std::printf("USB pipeline, simulated cable at instant pacing (goal >= 20000 frames/s, p99 < "
                "1000 us)\n");
    const bool empty = Run(0, frames);
    const bool full = Run(BenchSize(1000000, 1000), frames);
    return empty && full ? 0 : 1;
}
