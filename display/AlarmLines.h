#pragma once
// The alarm limits drawn across the chart as red dashed lines, one for the maximum and one for
// the minimum, each shown only while its limit is switched on. They span whatever the
// horizontal axis shows (page or overview) and follow it.

#include <optional>

class QChart;
class QLineSeries;
class QValueAxis;

class TAlarmLines {
public:
    TAlarmLines(QChart& chart, QValueAxis& horizontal, QValueAxis& vertical);

    void Show(std::optional<double> max, std::optional<double> min);
    QLineSeries* MaxLine() const { return max_; }
    QLineSeries* MinLine() const { return min_; }

private:
    void Span();

    QValueAxis& horizontal_;
    QLineSeries* max_ = nullptr; // owned by the chart
    QLineSeries* min_ = nullptr;
    std::optional<double> maxValue_, minValue_;
};
