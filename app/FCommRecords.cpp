// The record table and its logging policy: limit, sampling interval, repeat filter, New.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Conversion.h"
#include "display/LcdGlyphs.h"
#include "display/PacedAction.h"
#include "display/RecordTableModel.h"
#include "display/TChartControl.h"
#include "display/TGlyphItemDelegate.h"
#include "records/JournalStore.h"
#include "records/LoggingPolicy.h"
#include "records/RecordTable.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <utility>

namespace {

TLoggingState CountersOf(TFCOMM& w) {
    return {w.State.RecordNo, w.State.RecordCount, w.State.RecordLimit, w.LastRecordKey,
            w.SampleCountdown};
}

// Sets the record limit of one "Record" menu item and ticks it alone.
void SelectRecordLimit(TFCOMM& w, QAction* chosen) {
    QAction* const items[] = {w.N10001, w.N50001, w.N100001, w.N500001, w.N1000001, w.limitess};
    for (size_t i = 0; i < std::size(items); ++i) {
        if (items[i] == chosen)
            w.State.RecordLimit = kRecordLimitItems[i].limit;
        items[i]->setChecked(items[i] == chosen);
    }
}

} // namespace

void TFCOMM::CreateRecordComponents() {
    cds1 = std::make_unique<TRecordTable>();
    RecordsModel = std::make_unique<TRecordTableModel>(*cds1);
    RecordsModel->setObjectName(QStringLiteral("Data1"));
    Data1 = RecordsModel.get();
    DBGrid1->setModel(Data1);

    QHeaderView* columns = DBGrid1->horizontalHeader();
    // DC/AC keeps the grid's default width: 64 pixels, which lets all five columns fit in the
    // grid (Qt's own default of 100 would push Unit out of sight).
    columns->setDefaultSectionSize(64);
    columns->resizeSection(int(TField::No), 51);
    columns->resizeSection(int(TField::Time), 60);
    columns->resizeSection(int(TField::Value), 59);
    columns->resizeSection(int(TField::Unit), 42);
    DBGrid1->setTextElideMode(Qt::ElideNone); // narrow columns clip as the grid did
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DBGrid1->setItemDelegateForColumn(
        int(TField::Unit), new TGlyphItemDelegate(TRecordTableModel::RawTextRole, 12, DBGrid1));
    // Appends arrive as inserted rows; the grid lays out only those and then follows.
    FollowNewest =
        std::make_unique<TPacedAction>(kFollowPeriodMs, [this] { FollowNewestRecord(); });
    connect(Data1, &QAbstractItemModel::rowsInserted, this, [this] { FollowNewest->Request(); });
}

void TFCOMM::FollowNewestRecord() {
    const int last = Data1->rowCount() - 1;
    if (last < 0)
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    const QModelIndex newest = Data1->index(last, current.isValid() ? current.column() : 0);
    // Follows downwards only: a grid scrolled sideways (to the Received column) stays there.
    QScrollBar* across = DBGrid1->horizontalScrollBar();
    const int left = across->value();
    DBGrid1->setCurrentIndex(newest);
    DBGrid1->scrollTo(newest);
    across->setValue(left);
}

void TFCOMM::RecordsStartup() {
    LastRecordKey.clear();
    SampleCountdown = 0;
}

void TFCOMM::INDataToTable() {
    TLoggingState counters = CountersOf(*this);
    // The interval in use is the last one the box held as a number: a text that is no number
    // (pasted) was reported by the box's own handler and must not cost a reading.
    const TLoggingControls controls{RecordSI->isChecked(), RepeatSet->isChecked(), IntervalInUse};
    const TReading reading{State.HumidityText, Readout.LCDTime, State.TemperatureText,
                           State.UnitText, ReceivedNow()};
    // The journal first: a record the table shows is always in the journal.
    LogReading(
        counters, controls, reading, *cds1,
        [this] { Bt10->setText(QString::number(Chart->AddPoint(State.ChartValue))); },
        [this](const TRecord& record) { JournalRecord(record); });
}

void TFCOMM::RecordNewClick() {
    // No question: the message first, then the reset always follows.
    Dialogs().ShowMessage(QStringLiteral(" Record deleted "), TMessageIcon::Information);
    JournalNextLife(TJournalEnd::New);
    ClearRecords();
}

void TFCOMM::N10001Click() {
    SelectRecordLimit(*this, N10001);
}
void TFCOMM::N50001Click() {
    SelectRecordLimit(*this, N50001);
}
void TFCOMM::N100001Click() {
    SelectRecordLimit(*this, N100001);
}
void TFCOMM::N500001Click() {
    SelectRecordLimit(*this, N500001);
}
void TFCOMM::N1000001Click() {
    SelectRecordLimit(*this, N1000001);
}
void TFCOMM::limitessClick() {
    SelectRecordLimit(*this, limitess);
}

void TFCOMM::TrecordTimer() {
    TLoggingState counters = CountersOf(*this);
    SamplingTick(counters, RecordSI->isChecked());
}

void TFCOMM::RecordSITimeChange() {
    // Whichever edit changed (the recall edits share this handler), the interval is RecordSITime.
    const QByteArray text = QStringToAnsi(RecordSITime->text());
    int32_t interval = 0;
    try {
        interval = SampleInterval(text);
    } catch (const EConvertError&) {
        // Said once per bad text: a change of a recall box does not repeat it. The countdown and
        // the interval in use stay as they were.
        if (std::exchange(reportedIntervalText_, text) == text)
            return;
        throw;
    }
    reportedIntervalText_.clear();
    IntervalInUse = text;
    SampleCountdown = interval;
}

void TFCOMM::RecordSITimeKeyPress(QObject* /*sender*/, char& key) {
    if (!IntervalKeyAllowed(key))
        key = 0;
}

void TFCOMM::SetmaxKeyPress(QObject* /*sender*/, char& key) {
    if (!LimitKeyAllowed(key))
        key = 0;
}

void TFCOMM::ClearRecords() {
    if (!cds1->IsEmpty())
        cds1->Clear();
    TLoggingState counters = CountersOf(*this);
    ResetCounters(counters);
    Chart->ClearPoints();
}

void TFCOMM::RHORTEMPClick() {
    JournalNextLife(TJournalEnd::Switch);
    ClearRecords();
    // Maximum first, so the new range never trips the axis's own check.
    if (RHORTEMP->isChecked()) {
        Chart->SetMaxValue(10000);
        Chart->SetMinValue(-10000);
    } else {
        Chart->SetMaxValue(200);
        Chart->SetMinValue(-200);
    }
}
