// Alarm limits on the plotted quantity. The limits panel (SetMaxB with Setmax, SetMinB with
// SetMin) holds them in whole units of the quantity (%RH or degrees); a ticked box switches its
// limit on. A recorded reading beyond a limit is drawn in red in the grid, the chart draws each
// limit as a line, the readout turns red while the latest reading is out of range, and the first
// reading out of range after one in range brings a notification and a beep.

#include "app/DesktopNotifier.h"
#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Conversion.h"
#include "base/Exceptions.h"
#include "display/AlarmLines.h"
#include "display/QtChartAdapter.h"
#include "display/RecordTableModel.h"
#include "display/TGlyphLabel.h"
#include "records/AlarmLimits.h"
#include "records/ReadingValues.h"
#include "records/RecordTable.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollArea>

namespace {

const QColor kAlarmInk(220, 0, 0);
const QColor kNormalInk(24, 28, 30);

QString ValueText(double value, TQuantity quantity) {
    return QString::number(value, 'f', 1) +
           (quantity == TQuantity::Humidity ? QStringLiteral(" %RH") : QString());
}

// A limit's edit box as a number. The box's own handler already showed the message for a text
// that is no integer; until it is corrected the limit keeps its previous value.
double LimitOf(const QLineEdit* edit, double previous) {
    try {
        return StrToIntOrZero(QStringToAnsi(edit->text()));
    } catch (const EConvertError&) {
        return previous;
    }
}

} // namespace

TQuantity TFCOMM::PlottedQuantity() const {
    return RHORTEMP->isChecked() ? TQuantity::Temperature : TQuantity::Humidity;
}

void TFCOMM::AlarmLimitsChanged() {
    TAlarmLimits limits;
    limits.maxOn = SetMaxB->isChecked();
    limits.max = LimitOf(Setmax, Alarm->Limits().max);
    limits.minOn = SetMinB->isChecked();
    limits.min = LimitOf(SetMin, Alarm->Limits().min);
    if (limits == Alarm->Limits())
        return;
    Alarm->SetLimits(limits);
    AlarmLines->Show(limits.maxOn ? std::optional<double>(limits.max) : std::nullopt,
                     limits.minOn ? std::optional<double>(limits.min) : std::nullopt);
    static_cast<TRecordTableModel*>(Data1)->RowAlarmsChanged();
    AlarmReading(false);
}

void TFCOMM::AlarmReset() {
    Alarm->Reset();
    AlarmReading(false);
}

void TFCOMM::AlarmReading(bool notify) {
    const QByteArray& text =
        PlottedQuantity() == TQuantity::Humidity ? State.HumidityText : State.TemperatureText;
    const bool fire = Alarm->Reading(ParseReadingNumber(text));
    const bool outside = Alarm->LatestOutOfRange();

    // The readout's value of the plotted quantity in red while it is out of range.
    const bool humidity = PlottedQuantity() == TQuantity::Humidity;
    for (TGlyphLabel* label : {LcdD3, LcdD2, LcdD1, LcdTimeT})
        label->Style().ink = outside && humidity ? kAlarmInk : kNormalInk;
    for (TGlyphLabel* label : {LcdFH, LcdDT3, LcdDT2, LcdDT1, LCDC})
        label->Style().ink = outside && !humidity ? kAlarmInk : kNormalInk;
    for (TGlyphLabel* label : {LcdD3, LcdD2, LcdD1, LcdTimeT, LcdFH, LcdDT3, LcdDT2, LcdDT1, LCDC})
        label->update();
    for (QFrame* point : {LcdP1, LcdP2}) {
        QPalette ink = point->palette();
        ink.setColor(QPalette::Window,
                     outside && (point == LcdP1) == humidity ? kAlarmInk : kNormalInk);
        point->setPalette(ink);
    }

    // The caption carries the alarm only where it was told there, and only while it lasts.
    if (!outside && !AlarmCaption.isEmpty()) {
        setWindowTitle(windowTitle().remove(AlarmCaption));
        AlarmCaption.clear();
    }
    if (!fire || !notify)
        return;
    const TAlarmLimits& limits = Alarm->Limits();
    const double value = *Alarm->Latest();
    const TQuantity quantity = PlottedQuantity();
    const QString message =
        limits.maxOn && value > limits.max
            ? QStringLiteral("%1 above the maximum %2")
                  .arg(ValueText(value, quantity), ValueText(limits.max, quantity))
            : QStringLiteral("%1 below the minimum %2")
                  .arg(ValueText(value, quantity), ValueText(limits.min, quantity));
    QApplication::beep();
    if (environment_.alarmNotify) {
        environment_.alarmNotify(message);
    } else if (!NotifyDesktop(QStringLiteral("RX47 alarm"), message)) {
        AlarmCaption = QStringLiteral(" - ALARM: ") + message;
        setWindowTitle(windowTitle() + AlarmCaption);
    }
}

void TFCOMM::AlarmLimits1Click() {
    // The limits panel lies beyond the window's first view.
    ClientArea->ensureWidgetVisible(Panel3, 8, 8);
    SetMaxB->setFocus();
}
