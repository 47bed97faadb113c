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

void ApplyReadableTicks(QValueAxis& axis, bool whole) {
    // Switching the tick type rebuilds the labels: Qt Charts otherwise leaves behind the labels
    // that a wider step no longer needs.
    axis.setTickType(QValueAxis::TicksFixed);
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    const double step = ReadableStep(axis.max() - axis.min(), 5, whole);
    axis.setTickInterval(step);
    // As many decimals as the step needs: 44.5, not 45 twice.
    const int decimals = step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
    axis.setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}
