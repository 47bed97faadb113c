#pragma once
// What the trend chart controller needs of a chart: series that take values (a value's X is the
// number of points its series held before), a horizontal axis with limits and a guarded scroll,
// and a vertical axis with limits. Labels are always empty and every point takes its series'
// colour, so neither is part of the interface.

#include <cstdint>

class IChartView {
public:
    virtual ~IChartView() = default;

    virtual int SeriesCount() const = 0;
    virtual void AddValue(int series, double value) = 0;
    virtual void ClearSeries(int series) = 0;
    virtual void SetSeriesActive(int series, bool active) = 0;
    virtual bool SeriesActive(int series) const = 0;
    virtual int64_t PointCount(int series) const = 0;

    virtual void SetHorizontalAutomatic(bool automatic) = 0;
    // Limits: a maximum below the minimum raises EChartError "Axis Maximum Value must be >=
    // Minimum", a minimum above the maximum "Axis Minimum Value must be <= Maximum".
    virtual void SetHorizontalMinimum(double value) = 0;
    virtual void SetHorizontalMaximum(double value) = 0;
    virtual double HorizontalMinimum() const = 0;
    virtual double HorizontalMaximum() const = 0;
    // Guarded scroll: a positive offset moves both limits only when the largest X among the active
    // series lies beyond the maximum, a negative one only when their smallest X lies before the
    // minimum; otherwise nothing changes.
    virtual void ScrollHorizontal(double offset) = 0;

    virtual void SetVerticalMinimum(double value) = 0;
    virtual void SetVerticalMaximum(double value) = 0;
    virtual double VerticalMinimum() const = 0;
    virtual double VerticalMaximum() const = 0;
};
