#include "display/AxisSteps.h"

#include <QValueAxis>
#include <cmath>

double ReadableStep(double span, int ticks, bool whole) {
    if (!(span > 0) || ticks < 1)
        return 1;
    const double rough = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power * 10;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (power * factor >= rough) {
            step = power * factor;
            break;
        }
    }
    return whole ? std::max(step, 1.0) : step;
}

TAxisRange FitRange(double lo, double hi) {
    const double spread = hi - lo;
    const double margin = spread > 0 ? spread / 10 : 0.5;
    const double low = lo - margin, high = hi + margin;
    // Finer steps than the labels': the ends hug the readings more closely.
    const double step = ReadableStep(high - low, 10);
    // A hair of slack, so that 44.8 / 0.1 = 447.99999... still counts as 448 steps.
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step};
}

void SetReadableRange(QValueAxis& axis, double min, double max, bool whole) {
    // A fixed number of ticks while the range changes: with dynamic ticks Qt Charts lays the new
    // range out with the old step first, and a page's step over a ten-million-point overview is
    // half a million labels (seconds of work, and a window that freezes). Switching the tick
    // type back also rebuilds the labels, which Qt Charts otherwise leaves behind when a wider
    // step no longer needs them.
    axis.setTickType(QValueAxis::TicksFixed);
    axis.setRange(min, max);
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    const double step = ReadableStep(max - min, 5, whole);
    axis.setTickInterval(step);
    // As many decimals as the step needs: 44.5, not 45 twice.
    const int decimals = step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
    axis.setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}
