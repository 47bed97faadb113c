// One AddPoint with its repaint (offscreen) at 100, 10,000 and 1,000,000 points of history, and
// a page move at 1,000,000.

#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"

#include <QApplication>
#include <QChartView>
#include <QPixmap>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

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

double Value(int64_t i) {
    return 100 * std::sin(double(i) / 50);
}

// Average cost of AddPoint + repaint over a stretch of readings (page moves included).
double AddPointCost(int64_t history) {
    TChart chart;
    for (int64_t i = 0; i < history; ++i)
        chart.control.AddPoint(Value(i));
    chart.Repaint();
    constexpr int kSteps = 300;
    const auto t0 = Clock::now();
    for (int k = 0; k < kSteps; ++k) {
        chart.control.AddPoint(Value(history + k));
        chart.Repaint();
    }
    return Millis(Clock::now() - t0) / kSteps;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double first = 0;
    for (int64_t history : {int64_t(100), int64_t(10'000), int64_t(1'000'000)}) {
        const double cost = AddPointCost(history);
        if (history == 100)
            first = cost;
        std::printf("AddPoint + repaint, %8lld points of history: %.3f ms (%.2fx the 100 figure)\n",
                    (long long)history, cost, cost / first);
    }

    TChart chart;
    for (int64_t i = 0; i < 1'000'000; ++i)
        chart.control.AddPoint(Value(i));
    chart.Repaint();
    constexpr int kMoves = 100;
    auto t0 = Clock::now();
    for (int k = 0; k < kMoves; ++k) {
        if (k % 2 == 0)
            chart.control.PreviousPage();
        else
            chart.control.NextPage();
        chart.Repaint();
    }
    std::printf("page move + repaint at 1000000 points:        %.3f ms\n",
                Millis(Clock::now() - t0) / kMoves);
    t0 = Clock::now();
    chart.control.FirstPage(); // 10,000 guarded scrolls, one rebuild
    chart.Repaint();
    chart.control.LastPage();
    chart.Repaint();
    std::printf("first page and back to last at 1000000:       %.3f ms\n",
                Millis(Clock::now() - t0) / 2);
    std::printf("history bytes at 1000000 points (2 series):   %zu\n", chart.adapter.MemoryBytes());
    return 0;
}
