#include "display/ChartData.h"

#include <algorithm>

TChartData::TChartData(int seriesCount) : series_(size_t(seriesCount)) {}

TChartData::TSeries& TChartData::At(int series) {
    return series_.at(size_t(series));
}

const TChartData::TSeries& TChartData::At(int series) const {
    return series_.at(size_t(series));
}

void TChartData::AddValue(int series, double value) {
    TSeries& s = At(series);
    s.values.push_back(float(value));
    s.envelope.Add(float(value));
    PointAdded(series);
}

void TChartData::ClearSeries(int series) {
    At(series).values = {};
    At(series).envelope.Clear();
    SeriesCleared(series);
}

void TChartData::SetSeriesActive(int series, bool active) {
    if (At(series).active == active)
        return;
    At(series).active = active;
    SeriesActivityChanged(series);
}

bool TChartData::SeriesActive(int series) const {
    return At(series).active;
}

int64_t TChartData::PointCount(int series) const {
    return int64_t(At(series).values.size());
}

void TChartData::SetMinimum(TRange& range, double value) {
    if (value > range.max)
        throw EChartError(QStringLiteral("Axis Minimum Value must be <= Maximum"));
    range.min = value;
}

void TChartData::SetMaximum(TRange& range, double value) {
    if (value < range.min)
        throw EChartError(QStringLiteral("Axis Maximum Value must be >= Minimum"));
    range.max = value;
}

void TChartData::SetHorizontalMinimum(double value) {
    SetMinimum(horizontal_, value);
    HorizontalRangeChanged();
}

void TChartData::SetHorizontalMaximum(double value) {
    SetMaximum(horizontal_, value);
    HorizontalRangeChanged();
}

void TChartData::ScrollHorizontal(double offset) {
    // X runs 0 .. count - 1 in every series, so the extremes need no search.
    bool any = false;
    double smallest = 0, largest = 0;
    for (const TSeries& s : series_) {
        if (!s.active || s.values.empty())
            continue;
        const double last = double(s.values.size() - 1);
        smallest = any ? std::min(smallest, 0.0) : 0.0;
        largest = any ? std::max(largest, last) : last;
        any = true;
    }
    if (!any)
        return;
    if ((offset > 0 && largest > horizontal_.max) || (offset < 0 && smallest < horizontal_.min)) {
        horizontal_.min += offset;
        horizontal_.max += offset;
        HorizontalRangeChanged();
    }
}

void TChartData::SetVerticalMinimum(double value) {
    SetMinimum(vertical_, value);
    VerticalRangeChanged();
}

void TChartData::SetVerticalMaximum(double value) {
    SetMaximum(vertical_, value);
    VerticalRangeChanged();
}

size_t TChartData::MemoryBytes() const {
    size_t bytes = 0;
    for (const TSeries& s : series_)
        bytes += s.values.capacity() * sizeof(float) + s.envelope.MemoryBytes();
    return bytes;
}
