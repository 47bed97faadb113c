#include "records/RecordJournal.h"

#include <QDateTime>

QString JournalFailedMessage(const QString& reason) {
    return QStringLiteral("The recording journal cannot be written (%1). Recording goes on in "
                          "memory only; save the records before you end the program.")
        .arg(reason);
}

TRecordJournal::TRecordJournal(TJournalStore store) : store_(std::move(store)) {}

TRecordJournal::~TRecordJournal() {
    End(TJournalEnd::Exit);
}

void TRecordJournal::Begin(TJournalQuantity quantity) {
    End(TJournalEnd::New); // a life still open ends here; callers end it with its reason first
    quantity_ = quantity;
    lifeFailed_ = false;
}

std::optional<QString> TRecordJournal::Failed(const QString& reason) {
    lifeFailed_ = true;
    if (failureSaid_)
        return std::nullopt;
    failureSaid_ = true;
    return JournalFailedMessage(reason);
}

std::optional<QString> TRecordJournal::Record(const TRecord& record) {
    if (lifeFailed_)
        return std::nullopt;
    QString error;
    if (!writer_.IsOpen()) {
        if (!store_.EnsureFolder(error) ||
            !writer_.Create(store_.NewJournalPath(QDateTime::currentDateTime(), quantity_), error))
            return Failed(error);
    }
    if (!writer_.Append(record, error))
        return Failed(error);
    failureSaid_ = false;
    return std::nullopt;
}

std::optional<QString> TRecordJournal::End(TJournalEnd how) {
    if (!writer_.IsOpen())
        return std::nullopt;
    const QString path = writer_.Path();
    QString error;
    const bool synced = writer_.Close(error);
    if (synced) {
        const QString ended = TJournalStore::MarkEnded(path, how, error);
        if (ended != path)
            SyncParentFolder(ended, error);
    }
    if (!synced)
        return Failed(error);
    return std::nullopt;
}

std::optional<QString> TRecordJournal::Continue(const TJournalEntry& entry,
                                                const TJournalSummary& summary) {
    End(TJournalEnd::New);
    quantity_ = entry.quantity;
    lifeFailed_ = false;
    QString error;
    if (!writer_.Continue(entry.path, summary.completeBytes, error))
        return Failed(error);
    return std::nullopt;
}

float RecordChartValue(const TRecord& record, bool temperature, float previous) {
    const std::optional<QByteArray>& text =
        record.TextOf(temperature ? TField::Range : TField::Value);
    if (!text)
        return previous;
    // The decoder writes [sign] digits, the decimal separator, one digit, then "%RH" for
    // humidity: the value is the digits read as tenths.
    int value = 0;
    int digits = 0;
    bool negative = false;
    for (const char c : *text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (++digits > 6)
                return previous;
        } else if (c == '-') {
            if (digits > 0)
                return previous;
            negative = true;
        } else if (c == '%') {
            break;
        }
    }
    if (digits < 2)
        return previous;
    return float((negative ? -value : value) * 0.1);
}
