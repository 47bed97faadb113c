#pragma once
// The chart's data and axes without any drawing: the widget-free implementation of IChartView.
// The Qt adapter derives from it and hears each change through the protected hooks; tests use it
// as it is.
//
// Values are kept as 4-byte floats: the program plots ChartValue, itself single-precision, so
// nothing is lost, and a million points of history take 4 MB per series.

#include "base/Exceptions.h"
#include "display/IChartView.h"
#include "display/MinMaxPyramid.h"

#include <vector>

class EChartError : public TException {
public:
    using TException::TException;
};

class TChartData : public IChartView {
public:
    explicit TChartData(int seriesCount);

    int SeriesCount() const override { return int(series_.size()); }
    void AddValue(int series, double value) override;
    void ClearSeries(int series) override;
    void SetSeriesActive(int series, bool active) override;
    bool SeriesActive(int series) const override;
    int64_t PointCount(int series) const override;

    void SetHorizontalAutomatic(bool automatic) override { horizontalAutomatic_ = automatic; }
    bool HorizontalAutomatic() const { return horizontalAutomatic_; }
    void SetHorizontalMinimum(double value) override;
    void SetHorizontalMaximum(double value) override;
    double HorizontalMinimum() const override { return horizontal_.min; }
    double HorizontalMaximum() const override { return horizontal_.max; }
    void ScrollHorizontal(double offset) override;

    void SetVerticalMinimum(double value) override;
    void SetVerticalMaximum(double value) override;
    double VerticalMinimum() const override { return vertical_.min; }
    double VerticalMaximum() const override { return vertical_.max; }

    // The stored values of a series (X = index).
    const std::vector<float>& Values(int series) const { return At(series).values; }
    // Block minima and maxima of a series, for overviews and fitted ranges of any length.
    const TMinMaxPyramid& Envelope(int series) const { return At(series).envelope; }
    size_t MemoryBytes() const;

protected:
    // Hooks for a drawing adapter; called after the change took place.
    virtual void PointAdded(int /*series*/) {}
    virtual void SeriesCleared(int /*series*/) {}
    virtual void SeriesActivityChanged(int /*series*/) {}
    virtual void HorizontalRangeChanged() {}
    virtual void VerticalRangeChanged() {}

private:
    struct TSeries {
        std::vector<float> values;
        TMinMaxPyramid envelope;
        bool active = false;
    };
    struct TRange {
        double min = 0, max = 0;
    };
    TSeries& At(int series);
    const TSeries& At(int series) const;
    static void SetMinimum(TRange& range, double value);
    static void SetMaximum(TRange& range, double value);

    std::vector<TSeries> series_;
    bool horizontalAutomatic_ = true;
    TRange horizontal_{0, 100};
    TRange vertical_{-100, 100};
};
