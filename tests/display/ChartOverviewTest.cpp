// Readable axis steps, the fitted range, the min/max pyramid behind the overview, and the
// overview drawn by the Qt adapter.

#include "display/AxisSteps.h"
#include "display/MinMaxPyramid.h"
#include "display/QtChartAdapter.h"

#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <gtest/gtest.h>
#include <random>

namespace {

TEST(AxisSteps, ReadableSteps) {
    const struct {
        double span;
        bool whole;
        double step;
    } cases[] = {
        {99, true, 20},    {400, false, 100}, {20000, false, 5000}, {4, false, 1}, {3, true, 1},
        {0.3, false, 0.1}, {0.3, true, 1},    {1e6, true, 200000},  {0, false, 1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ReadableStep(c.span, 5, c.whole), c.step) << c.span;
}

TEST(AxisSteps, FitRangeHasAMarginAndReadableEnds) {
    const struct {
        double lo, hi;
        TAxisRange range;
    } cases[] = {
        {40.2, 55.3, {38, 58}},     // a margin of 1.51 each side, then out to steps of 2
        {45.3, 45.3, {44.8, 45.8}}, // all equal: half a unit each way
        {-23.4, -20.1, {-24, -19.5}},
        {0, 1000, {-200, 1200}},
    };
    for (const auto& c : cases) {
        const TAxisRange r = FitRange(c.lo, c.hi);
        EXPECT_NEAR(r.min, c.range.min, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(r.max, c.range.max, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_LE(r.min, c.lo);
        EXPECT_GE(r.max, c.hi);
    }
}

TEST(MinMaxPyramid, AgreesWithAPlainScan) {
    std::mt19937 random(47);
    std::uniform_real_distribution<float> value(-100, 100);
    std::vector<float> values;
    TMinMaxPyramid pyramid;
    for (int i = 0; i < 100000; ++i) {
        values.push_back(value(random));
        pyramid.Add(values.back());
    }
    std::uniform_int_distribution<int64_t> index(0, int64_t(values.size()) - 1);
    for (int trial = 0; trial < 300; ++trial) {
        int64_t a = index(random), b = index(random);
        if (a > b)
            std::swap(a, b);
        const TMinMax m = pyramid.RangeMinMax(values, a, b);
        const auto [lo, hi] = std::minmax_element(values.begin() + a, values.begin() + b + 1);
        ASSERT_EQ(m.min, *lo) << a << ".." << b;
        ASSERT_EQ(m.max, *hi) << a << ".." << b;
    }
}

TEST(MinMaxPyramid, EnvelopeCoversTheRangeInAboutAsManyBucketsAsColumns) {
    for (const int64_t n : {int64_t(10), int64_t(1000), int64_t(123457)}) {
        std::vector<float> values;
        TMinMaxPyramid pyramid;
        for (int64_t i = 0; i < n; ++i) {
            values.push_back(float(i % 1000));
            pyramid.Add(values.back());
        }
        int64_t next = 1;
        int buckets = 0;
        pyramid.Envelope(values, 1, n - 1, 400, [&](int64_t from, int64_t to, TMinMax m) {
            ASSERT_EQ(from, next);
            const auto [lo, hi] =
                std::minmax_element(values.begin() + from, values.begin() + to + 1);
            EXPECT_EQ(m.min, *lo);
            EXPECT_EQ(m.max, *hi);
            next = to + 1;
            ++buckets;
        });
        EXPECT_EQ(next, n) << n;
        EXPECT_LE(buckets, 401) << n;
        if (n > 800) {
            EXPECT_GE(buckets, 200) << n;
        }
    }
}

class OverviewAdapter : public ::testing::Test {
protected:
    OverviewAdapter() : adapter(view) {
        view.resize(421, 441);
        adapter.SetSeriesActive(0, true);
        adapter.SetHorizontalAutomatic(false);
        adapter.SetHorizontalMaximum(100);
        adapter.SetHorizontalMinimum(1);
        adapter.AddValue(0, 0); // placeholder
    }
    QChartView view;
    TQtChartAdapter adapter;
};

TEST_F(OverviewAdapter, ShowsEveryReadingFromFewPointsAndReturnsToThePage) {
    for (int i = 1; i <= 50000; ++i)
        adapter.AddValue(0, i == 30000 ? 500.0 : (i == 40000 ? -500.0 : 20.0));
    adapter.SetOverview(true);
    adapter.Flush();
    EXPECT_EQ(adapter.HorizontalAxis()->min(), 1);
    EXPECT_EQ(adapter.HorizontalAxis()->max(), 50000);
    const QList<QPointF> points = adapter.Series1()->points();
    EXPECT_LE(points.size(), 2 * 1000);
    // Single spikes survive the thinning.
    double top = 0, bottom = 0;
    for (const QPointF& p : points) {
        top = std::max(top, p.y());
        bottom = std::min(bottom, p.y());
    }
    EXPECT_EQ(top, 500.0);
    EXPECT_EQ(bottom, -500.0);
    // The horizontal labels are whole, evenly spaced numbers.
    EXPECT_EQ(adapter.HorizontalAxis()->tickType(), QValueAxis::TicksDynamic);
    EXPECT_EQ(adapter.HorizontalAxis()->tickAnchor(), 0);
    EXPECT_DOUBLE_EQ(adapter.HorizontalAxis()->tickInterval(), 10000);

    adapter.SetOverview(false);
    adapter.Flush();
    EXPECT_EQ(adapter.HorizontalAxis()->min(), 1);
    EXPECT_EQ(adapter.HorizontalAxis()->max(), 100);
    EXPECT_DOUBLE_EQ(adapter.HorizontalAxis()->tickInterval(), 20);
    EXPECT_EQ(adapter.Series1()->points().size(), 102); // the page and a neighbour each side
}

} // namespace
