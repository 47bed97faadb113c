// The Qt Charts adapter hands Qt only the visible page.

#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"
#include "support/WaitUntil.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>
#include <gtest/gtest.h>

namespace {

struct ChartFixture : ::testing::Test {
    QChartView view;
    TQtChartAdapter chart{view};
    TChartControl control{chart, 100};
};

TEST_F(ChartFixture, ConfiguredAsTheWindowShowsIt) {
    EXPECT_EQ(view.chart(), chart.Chart());
    EXPECT_FALSE(chart.Chart()->legend()->isVisible());
    EXPECT_EQ(chart.Chart()->title(), QStringLiteral("  "));
    EXPECT_EQ(chart.Series1()->pen().color(), QColor(Qt::blue));
    EXPECT_TRUE(chart.Series1()->isVisible());
    EXPECT_FALSE(chart.Series2()->isVisible()); // inactive
    EXPECT_EQ(chart.VerticalAxis()->minorTickCount(), 4);
    EXPECT_EQ(chart.VerticalAxis()->linePen().style(), Qt::DashLine);
    control.SetMaxValue(200);
    control.SetMinValue(-200);
    EXPECT_EQ(chart.VerticalAxis()->min(), -200);
    EXPECT_EQ(chart.VerticalAxis()->max(), 200);
}

TEST_F(ChartFixture, QtHoldsOnlyTheVisiblePageWhateverTheHistory) {
    for (int i = 1; i <= 1000; ++i)
        control.AddPoint(i % 50);
    chart.Flush();
    EXPECT_EQ(chart.PointCount(0), 1001);
    EXPECT_EQ(chart.HorizontalAxis()->min(), 901);
    EXPECT_EQ(chart.HorizontalAxis()->max(), 1000);
    const QList<QPointF> shown = chart.Series1()->points();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_LE(shown.size(), 102);
    EXPECT_EQ(shown.first().x(), 900); // one neighbour left of the page
    EXPECT_EQ(shown.last(), QPointF(1000, 1000 % 50));
    EXPECT_TRUE(chart.ShownPoints(1)->points().isEmpty()); // the inactive series gets nothing
}

TEST_F(ChartFixture, PointsOnTheShownPageReachQtPacedByTheEventLoop) {
    chart.Flush(); // the range set at creation
    control.AddPoint(45.3f);
    control.AddPoint(46.1f);
    EXPECT_EQ(chart.Series1()->points().size(), 1) << "not laid out point by point";
    // The first flush comes at the next turn of the loop, later ones after a short pause.
    const auto shownCount = [&] { return chart.Series1()->points().size(); };
    EXPECT_TRUE(WaitUntil([&] { return shownCount() == 3; }));
    control.AddPoint(47.0f);
    EXPECT_TRUE(WaitUntil([&] { return shownCount() == 4; }));
    const QList<QPointF> shown = chart.Series1()->points();
    EXPECT_EQ(shown[0], QPointF(0, 0)); // the placeholder
    EXPECT_FLOAT_EQ(float(shown[2].y()), 46.1f);
    EXPECT_EQ(shown[3].x(), 3);
}

TEST_F(ChartFixture, PagingShowsTheChosenPage) {
    for (int i = 1; i <= 299; ++i)
        control.AddPoint(i);
    control.FirstPage();
    chart.Flush();
    QList<QPointF> shown = chart.Series1()->points();
    EXPECT_EQ(shown.first().x(), 0);
    EXPECT_EQ(shown.last().x(), 101);
    for (int i = 0; i < 10; ++i)
        control.AddPoint(7); // held on page 1: Qt's series does not grow
    chart.Flush();
    EXPECT_EQ(chart.Series1()->points().size(), shown.size());
    control.ClearPoints();
    chart.Flush();
    EXPECT_EQ(chart.Series1()->points(), QList<QPointF>{QPointF(0, 0)});
}

} // namespace

namespace {

TEST_F(ChartFixture, EventLoopBringsQtUpToDateAfterAPageMove) {
    for (int i = 1; i <= 150; ++i)
        control.AddPoint(i);
    QCoreApplication::processEvents(); // the posted rebuild
    EXPECT_EQ(chart.HorizontalAxis()->min(), 101);
    EXPECT_EQ(chart.Series1()->points().first().x(), 100);
    EXPECT_EQ(chart.Series1()->points().last().x(), 150);
}

} // namespace
