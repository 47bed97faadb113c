// The overview (whole recording on one page) redrawn at 1,000 and at 10,000,000 points: the
// drawing comes from per-pixel minima and maxima kept as the points arrive, so the two should
// cost about the same (within 2x). Also the fit of the vertical range to the whole recording.
// Figures are CPU time of the event thread, median of single redraws.

#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"

#include <QApplication>
#include <QChartView>
#include <QLineSeries>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

// This thread's CPU time: the machine is shared, and wall time would measure the neighbours too.
double ThreadMillis() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
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
};

struct TFigures {
    double redraw = 0;   // ms, median
    qsizetype drawn = 0; // points handed to Qt
    double fit = 0;      // ms, min/max of the whole recording
};

TFigures Measure(int64_t points) {
    TChart chart;
    // The history goes straight into the chart's store: the overview is what is measured, not
    // ten million page moves on the way there.
    for (int64_t i = 0; i < points; ++i)
        chart.adapter.AddValue(0, 100 * std::sin(double(i) / 5000) + double(i % 7));
    chart.adapter.SetOverview(true);
    chart.adapter.Flush();
    QCoreApplication::processEvents();
    chart.view.grab();
    std::vector<double> redraws, fits;
    for (int k = 0; k < 30; ++k) {
        const double t0 = ThreadMillis();
        // Off and on again without a flush between: one rebuild in the overview, as after a
        // resize or a new point.
        chart.adapter.SetOverview(false);
        chart.adapter.SetOverview(true);
        chart.adapter.Flush();
        chart.view.grab();
        redraws.push_back(ThreadMillis() - t0);
        const double t1 = ThreadMillis();
        const TMinMax m = chart.adapter.Envelope(0).RangeMinMax(chart.adapter.Values(0), 1, points);
        fits.push_back(ThreadMillis() - t1);
        if (m.min > m.max)
            std::printf("impossible\n");
    }
    return {Median(redraws), chart.adapter.Series1()->points().size(), Median(fits)};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const TFigures small = Measure(1'000);
    const TFigures large = Measure(10'000'000);
    std::printf("overview redraw at     1000 points: %7.3f ms median, %lld points drawn\n",
                small.redraw, (long long)small.drawn);
    std::printf("overview redraw at 10000000 points: %7.3f ms median, %lld points drawn\n",
                large.redraw, (long long)large.drawn);
    std::printf("ratio 10,000,000 / 1,000:           %7.2fx (target: within 2x)\n",
                large.redraw / small.redraw);
    std::printf("fit range over all points: %.4f ms at 1000, %.4f ms at 10000000\n", small.fit,
                large.fit);
    return 0;
}
