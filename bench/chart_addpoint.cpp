// One AddPoint with its repaint (offscreen) at 100, 10,000 and 1,000,000 points of history, and
// a page move at 1,000,000. Figures are CPU time of the event thread, median of single steps.

#include "bench/BenchSize.h"
#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"

#include <QApplication>
#include <QChartView>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// This thread's CPU time: the machine is shared, and wall time would measure the neighbours too.
struct Clock {
    using duration = std::chrono::nanoseconds;
    static std::chrono::time_point<Clock, duration> now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return std::chrono::time_point<Clock, duration>(
            duration(ts.tv_sec * 1'000'000'000LL + ts.tv_nsec));
    }
};

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct TChart {
    QChartView view;
    TQtChartAdapter adapter{view};
    TChartControl control{adapter, 100};
    TChart() {
        view.resize(421, 441);
        control.SetMaxValue(200);
        control.SetMinValue(-200);
        view.show();
    }
    // What the event loop does after a change: bring Qt's series up to date and paint.
    void Repaint() {
        adapter.Flush();
        QCoreApplication::processEvents();
        view.grab();
    }
};

// The machine is shared: each step is timed alone and the median reported, so that a busy
// neighbour does not decide the figure.
double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Value(int64_t i) {
    return 100 * std::sin(double(i) / 50);
}

// Average cost of AddPoint + repaint over a stretch of readings (page moves included).
double AddPointCost(int64_t history) {
    TChart chart;
    for (int64_t i = 0; i < history; ++i)
        chart.control.AddPoint(Value(i));
    chart.Repaint();
    const int kSteps = BenchSize(300, 3);
    std::vector<double> samples;
    for (int k = 0; k < kSteps; ++k) {
        const auto t0 = Clock::now();
        chart.control.AddPoint(Value(history + k));
        chart.Repaint();
        samples.push_back(Millis(Clock::now() - t0));
    }
    return Median(samples);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double first = 0;
    const int64_t kLargest = BenchSize<int64_t>(1'000'000, 1'000);
    for (int64_t history : {int64_t(100), BenchSize<int64_t>(10'000, 200), kLargest}) {
        const double cost = AddPointCost(history);
        if (history == 100)
            first = cost;
        std::printf(
            "AddPoint + repaint, %8lld points of history: %.3f ms median (%.2fx the 100 figure)\n",
            (long long)history, cost, cost / first);
    }

    TChart chart;
    for (int64_t i = 0; i < kLargest; ++i)
        chart.control.AddPoint(Value(i));
    chart.Repaint();
    const int kMoves = BenchSize(100, 2);
    std::vector<double> samples;
    for (int k = 0; k < kMoves; ++k) {
        const auto t0 = Clock::now();
        if (k % 2 == 0)
            chart.control.PreviousPage();
        else
            chart.control.NextPage();
        chart.Repaint();
        samples.push_back(Millis(Clock::now() - t0));
    }
    std::printf("page move + repaint at %lld points:        %.3f ms (median)\n",
                (long long)kLargest, Median(samples));
    auto t0 = Clock::now();
    chart.control.FirstPage(); // 10,000 guarded scrolls, one rebuild
    chart.Repaint();
    chart.control.LastPage();
    chart.Repaint();
    std::printf("first page and back to last at %lld:       %.3f ms\n", (long long)kLargest,
                Millis(Clock::now() - t0) / 2);
    std::printf("history bytes at %lld points (2 series):   %zu\n", (long long)kLargest,
                chart.adapter.MemoryBytes());
    return 0;
}
