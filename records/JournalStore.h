#pragma once
// The folder of recording journals ($XDG_STATE_HOME/rx47, by default ~/.local/state/rx47): one
// journal per life of the record table. Its name tells when the life began, which quantity the
// chart showed and how the life ended:
//
//   rx47-20261211-162536-123-RH.txt          being written, or left behind by a crash
//   rx47-20261211-162536-123-Temp-exit.txt   ended by Exit (or -new, -switch, -crash)
//
// A journal being written is locked by its writer; one that is not locked and has no ending was
// left behind by a program that did not end cleanly. Journals are kept 30 days or up to 1 GiB in
// all, the oldest (by last write) removed first.

#include "records/RecordTable.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

enum class TJournalQuantity { Humidity, Temperature };
enum class TJournalEnd { None, New, Switch, Exit, Crash };

struct TJournalEntry {
    QString path;
    QDateTime started; // local time from the name
    TJournalQuantity quantity = TJournalQuantity::Humidity;
    TJournalEnd end = TJournalEnd::None;
    int64_t bytes = 0;
    QDateTime lastWritten;
};

// What a journal holds, read through the text-table reader.
struct TJournalSummary {
    bool readable = false;
    QString reason;                        // why not, when not readable
    int64_t records = 0;                   // whole lines read
    TReceivedTime first = kNoReceivedTime; // received times of the first and last record
    TReceivedTime last = kNoReceivedTime;
    bool tornEnd = false;      // a last line cut short (left out)
    int64_t completeBytes = 0; // where the whole lines end
};

// "%RH" / "Temp", and "New", "switch", "Exit", "crash" ("" while not ended).
QString QuantityText(TJournalQuantity quantity);
QString EndText(TJournalEnd end);

// $XDG_STATE_HOME/rx47, else $HOME/.local/state/rx47.
QString DefaultJournalFolder();

TJournalSummary SummarizeJournal(const QString& path);

class TJournalStore {
public:
    static constexpr int kKeepDays = 30;
    static constexpr int64_t kKeepBytes = int64_t(1) << 30;

    explicit TJournalStore(QString folder = DefaultJournalFolder());
    const QString& Folder() const { return folder_; }

    // Creates the folder when missing (mode 0700).
    bool EnsureFolder(QString& error) const;
    // A free name for a life that begins now.
    QString NewJournalPath(const QDateTime& started, TJournalQuantity quantity) const;
    // Every journal in the folder, newest first.
    std::vector<TJournalEntry> List() const;
    // Journals without ending that no running program holds, newest first.
    std::vector<TJournalEntry> LeftBehind() const;
    // Whether a program holds the journal open for writing.
    static bool InUse(const QString& path);
    // Renames a journal to its name with the ending; the new path (the old one on failure).
    static QString MarkEnded(const QString& path, TJournalEnd end, QString& error);
    // Removes ended journals last written more than kKeepDays before `now`, then the oldest
    // until all together take at most maxBytes. Journals without ending are never removed.
    // The number removed.
    int Prune(const QDateTime& now, int64_t maxBytes = kKeepBytes) const;

    static std::optional<TJournalEntry> ParseName(const QString& fileName);

private:
    QString folder_;
};
