#include "display/QtChartAdapter.h"

#include "display/AxisSteps.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <cmath>

TQtChartAdapter::TQtChartAdapter(QChartView& view) : TChartData(2), postContext_(new QObject) {
    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("  "));
    chart_->legend()->hide();
    chart_->setAnimationOptions(QChart::NoAnimation);
    // The chart's own row of controls sits on the view's top edge; the plot starts below it.
    chart_->setMargins(QMargins(4, 8, 12, 4));

    line_ = new QLineSeries;
    line_->setObjectName(QStringLiteral("Series1"));
    line_->setPen(QPen(Qt::blue, 1));
    // The area series draws its upper line without owning it; the chart does, as a child.
    areaUpper_ = new QLineSeries(chart_);
    area_ = new QAreaSeries(areaUpper_);
    area_->setObjectName(QStringLiteral("Series2"));
    area_->setBrush(QColor(Qt::blue));
    area_->setPen(QPen(QColor(128, 192, 255), 1));
    chart_->addSeries(line_);
    chart_->addSeries(area_);

    axisX_ = new QValueAxis;
    axisY_ = new QValueAxis;
    axisX_->setLabelFormat(QStringLiteral("%.0f"));
    axisY_->setLabelFormat(QStringLiteral("%.0f"));
    QPen dashed = axisY_->linePen();
    dashed.setStyle(Qt::DashLine);
    axisY_->setLinePen(dashed);
    axisY_->setMinorTickCount(4);
    axisY_->setLabelsVisible(true);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(line_), static_cast<QAbstractSeries*>(area_)}) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
    SetReadableRange(*axisX_, HorizontalMinimum(), HorizontalMaximum(), true);
    SetReadableRange(*axisY_, VerticalMinimum(), VerticalMaximum(), false);
    line_->setVisible(SeriesActive(0));
    area_->setVisible(SeriesActive(1));

    // The view hands back, but does not delete, the chart it was created with.
    QChart* const initial = view.chart();
    view.setChart(chart_);
    if (initial != chart_)
        delete initial;
    view.setRubberBand(QChartView::NoRubberBand);
    view.setRenderHint(QPainter::Antialiasing, false);
}

TQtChartAdapter::~TQtChartAdapter() = default;

QLineSeries* TQtChartAdapter::ShownPoints(int series) const {
    return series == 0 ? line_ : areaUpper_;
}

void TQtChartAdapter::SetOverview(bool on) {
    if (on == overview_)
        return;
    overview_ = on;
    ScheduleFlush();
}

void TQtChartAdapter::ShownRange(double& min, double& max) const {
    if (!overview_) {
        min = HorizontalMinimum();
        max = HorizontalMaximum();
        return;
    }
    // Readings sit at X = 1 .. count - 1; the placeholder at 0 is left out.
    min = 1;
    max = std::max<double>(2, double(PointCount(0) - 1));
}

void TQtChartAdapter::ShownWindow(int64_t& first, int64_t& last, int series) const {
    const int64_t count = PointCount(series);
    if (overview_) {
        first = 1;
        last = count - 1;
        return;
    }
    first = std::max<int64_t>(0, int64_t(std::floor(HorizontalMinimum())) - 1);
    last = std::min<int64_t>(count - 1, int64_t(std::ceil(HorizontalMaximum())) + 1);
}

void TQtChartAdapter::Rebuild(int series) {
    QList<QPointF> points;
    int64_t first = 0, last = -1;
    if (SeriesActive(series) && overview_) {
        ShownWindow(first, last, series);
        const int columns = std::max(1, int(chart_->plotArea().width()));
        points.reserve(2 * columns + 2);
        // Each column's extremes as a short vertical stroke, entered from the nearer end.
        Envelope(series).Envelope(
            Values(series), first, last, columns, [&](int64_t from, int64_t, TMinMax m) {
                const double x = double(from);
                const bool down = !points.isEmpty() && std::abs(points.last().y() - m.max) <
                                                           std::abs(points.last().y() - m.min);
                points.append(QPointF(x, down ? m.max : m.min));
                if (m.max != m.min)
                    points.append(QPointF(x, down ? m.min : m.max));
            });
    } else if (SeriesActive(series)) {
        ShownWindow(first, last, series);
        const std::vector<float>& values = Values(series);
        points.reserve(qsizetype(std::max<int64_t>(0, last - first + 1)));
        for (int64_t i = first; i <= last; ++i)
            points.append(QPointF(double(i), double(values[size_t(i)])));
    }
    ShownPoints(series)->replace(points);
}

void TQtChartAdapter::Flush() {
    flushPosted_ = false;
    if (!stale_)
        return;
    stale_ = false;
    double min = 0, max = 0;
    ShownRange(min, max);
    SetReadableRange(*axisX_, min, max, true);
    for (int s = 0; s < SeriesCount(); ++s)
        Rebuild(s);
    // Qt Charts repaints only the parts its items report as changed. When the axis moves and the
    // line is replaced in one flush, the old page's line, grid and labels are not always among
    // them (seen with live readings, while the link light on the chart flashes with each one),
    // and stay on screen across the new page. So each flush repaints the whole chart: one
    // repaint per flush, and flushes come at most every kPointFlushMs.
    chart_->update();
}

void TQtChartAdapter::ScheduleFlush() {
    stale_ = true;
    if (flushPosted_)
        return;
    flushPosted_ = true;
    QMetaObject::invokeMethod(
        postContext_.get(), [this] { Flush(); }, Qt::QueuedConnection);
}

void TQtChartAdapter::SchedulePacedFlush() {
    stale_ = true;
    if (!flushPosted_)
        pacedFlush_.Request();
}

void TQtChartAdapter::PointAdded(int series) {
    if (stale_ || !SeriesActive(series))
        return; // the pending rebuild takes the point along (or the series is not drawn)
    if (overview_) {
        SchedulePacedFlush(); // every reading is on the overview
        return;
    }
    int64_t first = 0, last = -1;
    ShownWindow(first, last, series);
    const int64_t index = PointCount(series) - 1;
    if (index < first || index > last)
        return; // off the page: nothing for Qt to do
    SchedulePacedFlush();
}

void TQtChartAdapter::SeriesCleared(int series) {
    ShownPoints(series)->clear();
}

void TQtChartAdapter::SeriesActivityChanged(int series) {
    if (series == 0)
        line_->setVisible(SeriesActive(0));
    else
        area_->setVisible(SeriesActive(1));
    ScheduleFlush();
}

void TQtChartAdapter::HorizontalRangeChanged() {
    ScheduleFlush();
}

void TQtChartAdapter::VerticalRangeChanged() {
    SetReadableRange(*axisY_, VerticalMinimum(), VerticalMaximum(), false);
}
