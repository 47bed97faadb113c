// The recording journal: each record the window appends also goes to the journal of the table's
// current life; at start-up a recording that did not end cleanly is offered back; the "Record"
// menu's "Recent Recordings..." opens a kept one as Open does.

#include "app/TFCOMM.h"

#include "display/TChartControl.h"
#include "records/DataFiles.h"
#include "records/RecordJournal.h"
#include "records/RecordTable.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <QToolButton>

namespace {

TJournalQuantity QuantityOf(const QCheckBox* rhOrTemp) {
    return rhOrTemp->isChecked() ? TJournalQuantity::Temperature : TJournalQuantity::Humidity;
}

QString LocalText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

// Shown after the handler that met the failure has returned, so recording is never held up.
void SayLater(TFCOMM& window, const std::optional<QString>& message) {
    if (!message)
        return;
    QTimer::singleShot(0, &window, [&window, text = *message] {
        window.Dialogs().ShowMessage(text, TMessageIcon::Information);
    });
}

} // namespace

void TFCOMM::JournalStartup() {
    TJournalStore store = environment_.journalFolder.isEmpty()
                              ? TJournalStore()
                              : TJournalStore(environment_.journalFolder);
    Journal = std::make_unique<TRecordJournal>(store);
    Journal->Begin(QuantityOf(RHORTEMP));
    std::vector<TJournalEntry> left = store.LeftBehind();
    // The newest one left behind is offered; any older ones are kept as crashed recordings.
    bool offered = false;
    for (const TJournalEntry& entry : left) {
        const TJournalSummary summary = SummarizeJournal(entry.path);
        if (!offered && summary.records > 0) {
            offered = true;
            const QString question =
                QStringLiteral("The recording started %1 did not end properly. Restore its %2 "
                               "records?")
                    .arg(LocalText(entry.started))
                    .arg(summary.records);
            if (Dialogs().AskYesNo(question)) {
                RestoreRecording(entry);
                continue;
            }
        }
        QString ignored;
        TJournalStore::MarkEnded(entry.path, TJournalEnd::Crash, ignored);
    }
    store.Prune(QDateTime::currentDateTime());
}

void TFCOMM::JournalRecord(const TRecord& record) {
    if (Journal)
        SayLater(*this, Journal->Record(record));
}

void TFCOMM::JournalNextLife(TJournalEnd how) {
    if (!Journal)
        return;
    SayLater(*this, Journal->End(how));
    Journal->Begin(QuantityOf(RHORTEMP));
}

void TFCOMM::RestoreRecording(const TJournalEntry& entry) {
    // The records come back as if they had just been recorded: the quantity they were plotted
    // as, the table, the chart and its page label, and the numbering that goes on after them.
    const bool temperature = entry.quantity == TJournalQuantity::Temperature;
    if (RHORTEMP->isChecked() != temperature) {
        RHORTEMP->setChecked(temperature);
        RHORTEMPClick(); // empties the table and sets the range; the table is empty still
    }
    const TJournalSummary summary = SummarizeJournal(entry.path);
    const int64_t first = cds1->Count();
    TLoadOutcome outcome;
    {
        TRecordTable::TUpdatesSuspended suspended(*cds1);
        outcome = LoadTableFromFile(entry.path, *cds1);
    }
    if (!outcome.ok) {
        // Whatever was read stays; the rest of the journal is kept as a crashed recording.
        Dialogs().ShowMessage(QString::fromLatin1(kLoadFailedMessage), TMessageIcon::Error,
                              QStringLiteral("Error"));
        QString ignored;
        TJournalStore::MarkEnded(entry.path, TJournalEnd::Crash, ignored);
    }
    float value = State.ChartValue;
    for (int64_t row = first; row < cds1->Count(); ++row) {
        const TRecord record = cds1->At(row);
        value = RecordChartValue(record, temperature, value);
        Bt10->setText(QString::number(Chart->AddPoint(value)));
        if (record.No)
            State.RecordNo = *record.No + 1;
        ++State.RecordCount;
        LastRecordKey = record.TextOf(TField::Value).value_or(QByteArray()) +
                        record.TextOf(TField::Range).value_or(QByteArray()) +
                        record.TextOf(TField::Unit).value_or(QByteArray());
    }
    State.ChartValue = value;
    if (outcome.ok)
        SayLater(*this, Journal->Continue(entry, summary));
}

void TFCOMM::RecentRecordingsClick() {
    std::vector<TRecordingListItem> items;
    const QString current = Journal ? Journal->CurrentPath() : QString();
    const TJournalStore store = Journal ? Journal->Store() : TJournalStore();
    for (const TJournalEntry& entry : store.List()) {
        if (entry.path == current)
            continue;
        const TJournalSummary summary = SummarizeJournal(entry.path);
        TRecordingListItem item;
        item.path = entry.path;
        item.started = LocalText(entry.started);
        item.ended = LocalText(ReceivedLocalTime(summary.last));
        item.records = QString::number(summary.records);
        item.quantity = QuantityText(entry.quantity);
        item.how =
            entry.end == TJournalEnd::None ? EndText(TJournalEnd::Crash) : EndText(entry.end);
        items.push_back(item);
    }
    const std::optional<QString> chosen = Dialogs().ChooseRecording(items);
    if (!chosen)
        return;
    TLoadOutcome outcome;
    {
        TRecordTable::TUpdatesSuspended suspended(*cds1);
        outcome = LoadTableFromFile(*chosen, *cds1);
    }
    if (!outcome.ok)
        Dialogs().ShowMessage(QString::fromLatin1(kLoadFailedMessage), TMessageIcon::Error,
                              QStringLiteral("Error"));
}
