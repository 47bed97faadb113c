// The trend chart's page buttons and page width.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Conversion.h"
#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"

#include <QChartView>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

void TFCOMM::CreateChartComponents() {
    ChartView = std::make_shared<TQtChartAdapter>(*Chtshow);
    // The chart's row of controls stays above the plot.
    for (QWidget* child : Chtshow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child != Chtshow->viewport())
            child->raise();
    }
}

void TFCOMM::ChartStartup() {
    Chart = std::make_unique<TChartControl>(*ChartView, 100);
}

void TFCOMM::ChartRangeStartup() {
    Chart->SetMaxValue(200);
    Chart->SetMinValue(-200);
}

void TFCOMM::BtFirstClick() {
    Bt10->setText(QString::number(Chart->FirstPage()));
}

void TFCOMM::BTPreviousClick() {
    Bt10->setText(QString::number(Chart->PreviousPage()));
}

void TFCOMM::BtNextClick() {
    Bt10->setText(QString::number(Chart->NextPage()));
}

void TFCOMM::BTlastClick() {
    Bt10->setText(QString::number(Chart->LastPage()));
}

void TFCOMM::MaxrecordExit() {
    // A text that is no integer stops here with the conversion message, Timer1 left as it was.
    StrToInt(QStringToAnsi(Maxrecord->text()));
    Timer1->stop();
    Timer1->start();
}

void TFCOMM::Timer1Timer() {
    // One shot: stopped before the conversion, so a text that became invalid meanwhile (pasted)
    // shows its conversion message once instead of every 500 ms. A width below 1 is refused
    // silently and the previous width stays.
    Timer1->stop();
    const int32_t width = StrToInt(QStringToAnsi(Maxrecord->text()));
    if (width < 1)
        return;
    Chart->SetPointsPerPage(width);
    Bt10->setText(QString::number(Chart->Page()));
}

void TFCOMM::ChtshowResize() {}
