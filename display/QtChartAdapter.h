#pragma once
// The chart Chtshow drawn with Qt Charts. Qt Charts recomputes every point of a series on each
// change, so the adapter keeps the whole history itself (TChartData, 4 bytes a point) and hands
// Qt only the points of the visible page plus one neighbour on each side, so that the line runs
// to the plot's edges. A range change rebuilds the Qt series once, at the next turn of the event
// loop (paging through a thousand pages costs one rebuild). Points added inside the shown window
// reach Qt at most every kPointFlushMs: Qt lays out the whole line again for every point it is
// given, which would cost more than the rest of a reading's path. Flush() brings Qt up to date
// at once.
//
// Series 0 ("Series1") is a blue line; series 1 ("Series2") an area series with a blue area and a
// light blue line, inactive (hidden) unless switched on.

#include "display/ChartData.h"
#include "display/PacedAction.h"

#include <QObject>
#include <memory>

class QChart;
class QChartView;
class QLineSeries;
class QAreaSeries;
class QValueAxis;

class TQtChartAdapter : public TChartData {
public:
    explicit TQtChartAdapter(QChartView& view);
    ~TQtChartAdapter() override;

    // Brings the Qt series and axes up to date now (normally done at the next event-loop turn).
    void Flush();

    // The whole recording on one page: each series drawn from the minimum and maximum of the
    // points under each pixel column. The page range stays as the controller set it and comes
    // back when the overview is switched off.
    void SetOverview(bool on);
    bool Overview() const { return overview_; }
    // The X range on screen: the page, or in the overview every reading.
    void ShownRange(double& min, double& max) const;

    QChart* Chart() const { return chart_; }
    QLineSeries* Series1() const { return line_; }
    QAreaSeries* Series2() const { return area_; }
    QValueAxis* HorizontalAxis() const { return axisX_; }
    QValueAxis* VerticalAxis() const { return axisY_; }
    // The Qt series holding the shown points of a series (for an area series its upper line).
    QLineSeries* ShownPoints(int series) const;

protected:
    void PointAdded(int series) override;
    void SeriesCleared(int series) override;
    void SeriesActivityChanged(int series) override;
    void HorizontalRangeChanged() override;
    void VerticalRangeChanged() override;

private:
    void ShownWindow(int64_t& first, int64_t& last, int series) const;
    void Rebuild(int series);
    void ScheduleFlush();
    // For new points: a flush at the next turn of the event loop, at most every kPointFlushMs.
    void SchedulePacedFlush();

    QChart* chart_ = nullptr; // owned by the view
    QLineSeries* line_ = nullptr;
    QLineSeries* areaUpper_ = nullptr;
    QAreaSeries* area_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    static constexpr int kPointFlushMs = 40;
    bool stale_ = false;
    bool overview_ = false;
    bool flushPosted_ = false;
    std::unique_ptr<QObject> postContext_; // drops a posted flush when the adapter goes
    TPacedAction pacedFlush_{kPointFlushMs, [this] { ScheduleFlush(); }};
};
