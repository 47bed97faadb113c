#pragma once
// Saving the record table to a data file and opening one, in the format the file name's
// extension chooses. The outcome comes back as a value; the window turns it into its messages.
//
// Both operations are safe against failure: a save writes a temporary file beside the target,
// checks every write, syncs it and renames it over the target only once complete, so a failed
// save (a full disk) leaves the previous file as it was and says why; a target that is not a
// regular file (a device, a FIFO) is refused; a data packet is read in full before it replaces the
// table, so a packet that fails leaves the table as it was; a text table appends the records of the
// lines before a failing line and nothing of the failing line itself.

#include "records/DataFileFormat.h"

#include <QString>
#include <cstdint>
#include <functional>

class TRecordTable;

// Called now and then with the share done, 0 to 1000.
using TFileProgress = std::function<void(int permille)>;

struct TSaveOutcome {
    enum class TKind { Saved, TextNotSaved, PacketNotCreated };
    TKind kind = TKind::Saved;
    QString message; // the text to show
};

struct TLoadOutcome {
    bool ok = false;
    int64_t recordsRead = 0; // appended (text) or taken over (packet)
    QString reason;          // why it failed, for diagnostics; the user sees one message
};

// Texts the window shows.
QString SavedMessage(const QString& fileName);
QString TextNotSavedMessage(const QString& fileName, const QString& reason);
QString CannotCreateMessage(const QString& fileName, const QString& reason);
inline constexpr char kLoadFailedMessage[] = "Failed to Load File!";

TSaveOutcome SaveTableToFile(const TRecordTable& table, const QString& fileName,
                             const TFileProgress& progress = {});
// Does not empty the table first: a text table appends, a data packet replaces.
TLoadOutcome LoadTableFromFile(const QString& fileName, TRecordTable& table,
                               const TFileProgress& progress = {});
