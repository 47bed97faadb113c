#include "display/AlarmLines.h"

#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

TAlarmLines::TAlarmLines(QChart& chart, QValueAxis& horizontal, QValueAxis& vertical)
    : horizontal_(horizontal) {
    for (QLineSeries** line : {&max_, &min_}) {
        *line = new QLineSeries(&chart);
        (*line)->setPen(QPen(QColor(220, 0, 0), 1, Qt::DashLine));
        (*line)->setVisible(false);
        chart.addSeries(*line);
        (*line)->attachAxis(&horizontal);
        (*line)->attachAxis(&vertical);
    }
    max_->setObjectName(QStringLiteral("AlarmMaxLine"));
    min_->setObjectName(QStringLiteral("AlarmMinLine"));
    QObject::connect(&horizontal, &QValueAxis::rangeChanged, max_, [this] { Span(); });
}

void TAlarmLines::Show(std::optional<double> max, std::optional<double> min) {
    maxValue_ = max;
    minValue_ = min;
    max_->setVisible(bool(max));
    min_->setVisible(bool(min));
    Span();
}

void TAlarmLines::Span() {
    const double left = horizontal_.min(), right = horizontal_.max();
    const auto place = [&](QLineSeries* line, const std::optional<double>& value) {
        if (value)
            line->replace(QList<QPointF>{{left, *value}, {right, *value}});
        else
            line->clear();
    };
    place(max_, maxValue_);
    place(min_, minValue_);
}
