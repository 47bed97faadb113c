#pragma once
// The journal of the record table's current life: every record the window appends goes to it as
// it is appended, so the records can be had back after a crash, a kill or a power cut. One
// journal per life: a life begins when the table starts empty (start-up, New, the quantity
// switch) and ends when the table is cleared or the program ends. The file is made at the first
// record, so a life without records leaves none.
//
// A journal that cannot be written (disk full, no permission) stops being written for the rest
// of its life; the failure is to be said once, not again until a journal has worked since.

#include "records/JournalStore.h"
#include "records/JournalWriter.h"

#include <QString>
#include <optional>

class TRecordJournal {
public:
    explicit TRecordJournal(TJournalStore store = TJournalStore());
    ~TRecordJournal(); // ends the life as Exit when it is still open
    TRecordJournal(const TRecordJournal&) = delete;
    TRecordJournal& operator=(const TRecordJournal&) = delete;

    // A new life of an empty table.
    void Begin(TJournalQuantity quantity);
    // A record the window appended. A message to show when the journal failed and that failure
    // is to be said; nullopt otherwise.
    std::optional<QString> Record(const TRecord& record);
    // The life ends: the journal is synced, closed and named with its ending. A message when the
    // last sync failed and that is to be said.
    std::optional<QString> End(TJournalEnd how);
    // Goes on with a journal left behind whose records were put back into the table: its cut
    // last line is cut off and later records follow its last whole line.
    std::optional<QString> Continue(const TJournalEntry& entry, const TJournalSummary& summary);

    // The journal being written ("" before the first record of a life, or after a failure).
    QString CurrentPath() const { return writer_.IsOpen() ? writer_.Path() : QString(); }
    TJournalQuantity Quantity() const { return quantity_; }
    const TJournalStore& Store() const { return store_; }

private:
    std::optional<QString> Failed(const QString& reason);

    TJournalStore store_;
    TJournalWriter writer_;
    TJournalQuantity quantity_ = TJournalQuantity::Humidity;
    bool lifeFailed_ = false;  // nothing more is written in this life
    bool failureSaid_ = false; // said, and no journal has worked since
};

// The message shown once when the journal cannot be written.
QString JournalFailedMessage(const QString& reason);

// The chart value of a recorded record: its humidity or temperature text read back as the
// decoder made it (digits and a sign, tenths); `previous` when the text holds no number ("----").
float RecordChartValue(const TRecord& record, bool temperature, float previous);
