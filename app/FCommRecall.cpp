// The recall start-time panel: the start time switches between the start and the end of a day,
// and the three time boxes are range-tested on every key release. Each text change of a box runs
// RecordSITimeChange through its change signal, which reloads the sampling countdown.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Conversion.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

int32_t BoxValue(const QLineEdit* box) {
    return StrToInt(QStringToAnsi(box->text()));
}

} // namespace

void TFCOMM::RecallCheckClick() {
    const bool dayStart = RecallCheck->isChecked();
    TimeH->setText(dayStart ? QStringLiteral("00") : QStringLiteral("23"));
    TimeM->setText(dayStart ? QStringLiteral("00") : QStringLiteral("59"));
    TimeS->setText(dayStart ? QStringLiteral("00") : QStringLiteral("59"));
    for (const QLineEdit* box : {TimeH, TimeM, TimeS})
        BoxValue(box);
}

void TFCOMM::RecallCheckExit() {
    for (const QLineEdit* box : {TimeH, TimeM, TimeS})
        BoxValue(box);
}

void TFCOMM::TimeHKeyUp(QObject* /*sender*/) {
    // Whichever box fired, all three are tested: a bad value is reported again on every key
    // release until it is corrected. A text that is no integer stops the test at its box.
    const struct {
        QLineEdit* box;
        int32_t bound;
    } boxes[] = {{TimeH, 24}, {TimeM, 60}, {TimeS, 60}};
    for (const auto& [box, bound] : boxes) {
        if (BoxValue(box) >= bound) {
            Dialogs().ShowMessage(QStringLiteral("Input error!"), TMessageIcon::Information);
            box->setText(QStringLiteral("00"));
        }
    }
}
