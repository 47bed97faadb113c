// The trend chart's page buttons and page width.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Conversion.h"
#include "base/Exceptions.h"
#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"

#include <QChartView>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <optional>

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

namespace {

QString PageWidthMessage() {
    return QStringLiteral("Points per page must be a whole number of at least 1.");
}

// The page width the box holds; nullopt for an empty text, a text that is no number, or a
// number below 1 (the page arithmetic divides by it).
std::optional<int32_t> PageWidthOf(const QLineEdit* box) {
    try {
        const int32_t width = StrToInt(QStringToAnsi(box->text()));
        if (width >= 1)
            return width;
    } catch (const EConvertError&) {
    }
    return std::nullopt;
}

} // namespace

void TFCOMM::MaxrecordExit() {
    // A change supersedes a width still waiting for Timer1: the box shows what will apply.
    Timer1->stop();
    const QByteArray text = QStringToAnsi(Maxrecord->text());
    // Emptied to type a new number: nothing to say yet (MaxrecordLeave says it if it stays so).
    if (text.isEmpty())
        return;
    // A text that is no integer stops here with the conversion message.
    if (StrToInt(text) < 1) {
        Dialogs().ShowMessage(PageWidthMessage(), TMessageIcon::Information);
        return;
    }
    Timer1->start();
}

void TFCOMM::MaxrecordLeave() {
    if (PageWidthOf(Maxrecord))
        return;
    // A refused text was reported when it was typed; an empty box is reported now. Either way the
    // box shows again the width the chart has.
    if (Maxrecord->text().isEmpty())
        Dialogs().ShowMessage(PageWidthMessage(), TMessageIcon::Information);
    const QSignalBlocker quiet(Maxrecord);
    Maxrecord->setText(QString::number(Chart->PointsPerPage()));
}

void TFCOMM::Timer1Timer() {
    // One shot. Only a width the change handler accepted starts the timer; a text that became
    // invalid meanwhile without a change signal is left alone, as its change handler reported it.
    Timer1->stop();
    const std::optional<int32_t> width = PageWidthOf(Maxrecord);
    if (!width)
        return;
    Chart->SetPointsPerPage(*width);
    Bt10->setText(QString::number(Chart->Page()));
}

void TFCOMM::ChtshowResize() {}
