// The additions around the chart and the "Record" menu: a fitted vertical range, the overview
// of the whole recording, the statistics line, and the wiring of the alarm limits and the
// spreadsheet export.

#include "app/TFCOMM.h"

#include "app/WindowArt.h"
#include "display/AlarmLines.h"
#include "display/AxisSteps.h"
#include "display/PacedAction.h"
#include "display/QtChartAdapter.h"
#include "display/RecordTableModel.h"
#include "display/TChartControl.h"
#include "records/AlarmLimits.h"
#include "records/ReadingStatistics.h"
#include "records/ReadingValues.h"
#include "records/RecordTable.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QValueAxis>
#include <cmath>
#include <tuple>

namespace {

constexpr int kStatisticsHeight = 18;

} // namespace

void TFCOMM::CreateExtraComponents() {
    const auto on = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    };

    CreateGridColumnsMenu();

    // "Record" menu, after the described items and "Recent Recordings..." (one separator before
    // all that the program adds).
    ExportCsv1 = RecordMenu->addAction(QStringLiteral("Export CSV..."));
    ExportCsv1->setObjectName(QStringLiteral("ExportCsv1"));
    AlarmLimits1 = RecordMenu->addAction(QStringLiteral("Alarm Limits..."));
    AlarmLimits1->setObjectName(QStringLiteral("AlarmLimits1"));
    Statistics1 = RecordMenu->addAction(QStringLiteral("Statistics"));
    Statistics1->setObjectName(QStringLiteral("Statistics1"));
    Statistics1->setCheckable(true);
    on(ExportCsv1, &QAction::triggered, &TFCOMM::ExportCsvClick);
    on(AlarmLimits1, &QAction::triggered, &TFCOMM::AlarmLimits1Click);
    on(Statistics1, &QAction::triggered, &TFCOMM::Statistics1Click);

    // Two buttons at the end of the chart's row: fit the vertical range, whole recording.
    int x = BTlast->x() + BTlast->width() + 2;
    for (auto [button, name, hint, icon] :
         {std::tuple{&BtFit, "BtFit", QStringLiteral("Fit the vertical range to this page"),
                     TToolIcon::Fit},
          std::tuple{&BtOverview, "BtOverview",
                     QStringLiteral("Whole recording on one page (a page button returns)"),
                     TToolIcon::Overview}}) {
        *button = new QToolButton(Chtshow);
        (*button)->setObjectName(QString::fromLatin1(name));
        (*button)->setGeometry(x, BTlast->y(), 22, BTlast->height());
        (*button)->setToolTip(hint);
        (*button)->setAutoRaise(true);
        (*button)->setFocusPolicy(Qt::NoFocus);
        (*button)->setIcon(DrawToolIcon(icon));
        x += 23;
    }
    BtOverview->setCheckable(true);
    on(BtFit, &QToolButton::clicked, &TFCOMM::BtFitClick);
    on(BtOverview, &QToolButton::clicked, &TFCOMM::BtOverviewClick);
    // The page buttons return to paging.
    for (QToolButton* page : {BtFirst, BTPrevious, BtNext, BTlast}) {
        connect(page, &QToolButton::clicked, this, [this] {
            BtOverview->setChecked(false);
            ChartView->SetOverview(false);
        });
    }

    // The whole plot is repainted on every change: with partial updates, an axis whose labels
    // change in number (fitted range, overview) or a page change left old labels and lines on
    // screen. The plot is small; a full repaint costs little.
    Chtshow->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);

    // The statistics line along the chart's bottom edge, hidden until asked for.
    StatisticsLine = new QLabel(Chtshow);
    StatisticsLine->setObjectName(QStringLiteral("StatisticsLine"));
    StatisticsLine->setGeometry(8, Chtshow->height() - kStatisticsHeight - 2, Chtshow->width() - 16,
                                kStatisticsHeight);
    QFont small = StatisticsLine->font();
    small.setBold(false);
    StatisticsLine->setFont(small);
    StatisticsLine->setAutoFillBackground(true);
    QPalette paper = StatisticsLine->palette();
    paper.setColor(QPalette::Window, Qt::white);
    StatisticsLine->setPalette(paper);
    StatisticsLine->hide();
    Statistics = std::make_unique<TReadingStatistics>(*cds1);
    // The figures change with every record; the line follows at the chart's pace.
    StatisticsPaced = std::make_unique<TPacedAction>(kFollowPeriodMs, [this] { ShowStatistics(); });
    Statistics->changed = [this] {
        if (StatisticsLine->isVisible())
            StatisticsPaced->Request();
    };

    // Alarms.
    Alarm = std::make_unique<TAlarmMonitor>();
    AlarmLines = std::make_unique<TAlarmLines>(*ChartView->Chart(), *ChartView->HorizontalAxis(),
                                               *ChartView->VerticalAxis());
    auto* model = static_cast<TRecordTableModel*>(Data1);
    model->rowAlarm = [this](int64_t row) {
        if (!Alarm->Limits().AnyOn())
            return false;
        const auto value = QuantityValue(*cds1, row, PlottedQuantity());
        return value && Alarm->Limits().Outside(*value);
    };
    // The quantity switch (its own handler empties the records): statistics and alarm follow.
    connect(RHORTEMP, &QCheckBox::clicked, this, [this] {
        Statistics->SetQuantity(PlottedQuantity());
        Guard([&] { AlarmReset(); });
    });
    AlarmLimitsChanged();
}

void TFCOMM::ShowStatistics() {
    const QString line = ::StatisticsLine(Statistics->Current(), Statistics->Quantity(), *cds1);
    StatisticsLine->setText(
        StatisticsLine->fontMetrics().elidedText(line, Qt::ElideRight, StatisticsLine->width()));
    StatisticsLine->setToolTip(line); // whole, where the chart is too narrow for it
}

void TFCOMM::Statistics1Click() {
    const bool show = Statistics1->isChecked();
    StatisticsLine->setVisible(show);
    // Room for the line below the plot.
    QMargins margins = ChartView->Chart()->margins();
    margins.setBottom(show ? 4 + kStatisticsHeight : 4);
    ChartView->Chart()->setMargins(margins);
    Chtshow->viewport()->update();
    if (show)
        ShowStatistics();
}

void TFCOMM::BtFitClick() {
    // The readings shown: the page, or in the overview all of them (the placeholder at X = 0
    // is no reading).
    double left = 0, right = 0;
    ChartView->ShownRange(left, right);
    const int64_t last = std::min<int64_t>(ChartView->PointCount(0) - 1, int64_t(right));
    const int64_t first = std::max<int64_t>(1, int64_t(std::ceil(left)));
    if (first > last)
        return; // nothing shown to fit to
    const TMinMax m = ChartView->Envelope(0).RangeMinMax(ChartView->Values(0), first, last);
    const TAxisRange range = FitRange(m.min, m.max);
    // Whichever limit keeps the axis valid goes first.
    if (range.max >= ChartView->VerticalMinimum()) {
        Chart->SetMaxValue(range.max);
        Chart->SetMinValue(range.min);
    } else {
        Chart->SetMinValue(range.min);
        Chart->SetMaxValue(range.max);
    }
}

void TFCOMM::BtOverviewClick() {
    ChartView->SetOverview(BtOverview->isChecked());
}
