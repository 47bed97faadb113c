#include "records/DataFiles.h"

#include "records/DataPacketFormat.h"
#include "records/RecordTable.h"
#include "records/TextTableFormat.h"

#include "base/FileWrite.h"
#include "base/SystemError.h"

#include <QFile>
#include <QStringList>
#include <vector>

namespace {

constexpr qsizetype kChunkBytes = 1 << 20;
constexpr int64_t kRowsPerProgress = 1 << 14;
// What the table holds; a file that would take it further is refused there.
constexpr int64_t kMaxTableRecords = TDataPacketReader::kMaxRows;

int Permille(int64_t done, int64_t total) {
    return total <= 0 ? 0 : int(std::min<int64_t>(1000, done * 1000 / total));
}

// Writes the file through a temporary file beside it (base/FileWrite.h); only a complete file
// replaces the old one. Returns an empty text on success, else the system's reason.
QString WriteTable(const TRecordTable& table, const QString& fileName, TDataFileFormat format,
                   const TFileProgress& progress, TDataChanges& changes) {
    TReplaceFile file(fileName);
    if (!file.Open())
        return file.Error();
    QByteArray buffer;
    buffer.reserve(kChunkBytes + 4096);
    const auto flush = [&] {
        const bool written = file.Write(buffer);
        buffer.clear();
        return written;
    };
    const bool packet = format == TDataFileFormat::DataPacket;
    buffer.append(packet ? DataPacketHead(table.ChangeLog()) : TextTableHeader());
    const int64_t count = table.Count();
    for (int64_t row = 0; row < count && row < table.Count(); ++row) {
        if (packet)
            AppendDataPacketRow(buffer, table.At(row), table.IsLoggedAppend(row));
        else
            changes.lineBreaks += AppendTextTableLine(buffer, table.At(row));
        if (buffer.size() >= kChunkBytes && !flush())
            return file.Error();
        if (progress && row % kRowsPerProgress == kRowsPerProgress - 1)
            progress(Permille(row, count));
    }
    if (packet)
        buffer.append(DataPacketTail());
    if (!flush() || !file.Commit())
        return file.Error();
    return {};
}

// Feeds the file to a reader in chunks. Returns false when the file cannot be read.
template <class Reader>
bool StreamFile(QFile& file, Reader& reader, const TFileProgress& progress) {
    const int64_t size = file.size();
    std::vector<char> chunk(static_cast<size_t>(kChunkBytes));
    int64_t done = 0;
    for (;;) {
        const qint64 n = file.read(chunk.data(), kChunkBytes);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!reader.Feed(chunk.data(), size_t(n)))
            return true; // the reader knows why
        done += n;
        if (progress)
            progress(Permille(done, size));
    }
}

TLoadOutcome LoadText(QFile& file, TRecordTable& table, const TFileProgress& progress) {
    TTextTableReader reader([&table](const TRecordView& record) {
        if (table.Count() >= kMaxTableRecords)
            return false;
        table.Append(record, true);
        return true;
    });
    TLoadOutcome outcome;
    if (!StreamFile(file, reader, progress)) {
        outcome.reason = file.errorString();
    } else if (reader.Finish()) {
        outcome.ok = true;
    } else {
        static const char* const kReasons[] = {"",
                                               "empty file",
                                               "more than five items",
                                               "first item is not an integer",
                                               "line too long",
                                               "table full",
                                               "received time not readable"};
        outcome.reason = QStringLiteral("line %1: %2")
                             .arg(reader.ErrorLine())
                             .arg(QLatin1String(kReasons[int(reader.Error())]));
    }
    outcome.recordsRead = reader.RecordsRead();
    outcome.changes.cutValues = reader.CutValues();
    return outcome;
}

TLoadOutcome LoadPacket(QFile& file, TRecordTable& table, const TFileProgress& progress) {
    // The packet is read into a table of its own; only a packet read in full replaces the table.
    TRecordTable read;
    TDataPacketReader reader(read);
    TLoadOutcome outcome;
    if (!StreamFile(file, reader, progress)) {
        outcome.reason = file.errorString();
        return outcome;
    }
    if (!reader.Finish()) {
        outcome.reason = QString::fromStdString(reader.Reason());
        return outcome;
    }
    outcome.ok = true;
    outcome.recordsRead = read.Count();
    outcome.changes.cutValues = reader.CutValues();
    outcome.changes.unmappedCharacters = reader.UnmappedCharacters();
    table.TakeFrom(read);
    return outcome;
}

} // namespace

QString SavedMessage(const QString& fileName) {
    return QStringLiteral("Save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
}

QString TextNotSavedMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Could not save table to specified file: ") + fileName +
           QStringLiteral(" (") + reason + QLatin1Char(')');
}

QString CannotCreateMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}

TDataChanges& TDataChanges::operator+=(const TDataChanges& other) {
    cutValues += other.cutValues;
    unmappedCharacters += other.unmappedCharacters;
    lineBreaks += other.lineBreaks;
    return *this;
}

QString DataChangesText(const TDataChanges& changes) {
    QStringList parts;
    const auto count = [](int64_t n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    if (changes.cutValues)
        parts << count(changes.cutValues, "value longer than 20 characters was cut",
                       "values longer than 20 characters were cut");
    if (changes.unmappedCharacters)
        parts << count(changes.unmappedCharacters,
                       "character the code page cannot hold was read as '?'",
                       "characters the code page cannot hold were read as '?'");
    if (changes.lineBreaks)
        parts << count(changes.lineBreaks,
                       "value had its line breaks written as spaces (a text table cannot hold "
                       "them)",
                       "values had their line breaks written as spaces (a text table cannot hold "
                       "them)");
    return parts.join(QStringLiteral("; "));
}

TSaveOutcome SaveTableToFile(const TRecordTable& table, const QString& fileName,
                             const TFileProgress& progress) {
    const TDataFileFormat format = FormatForFileName(fileName);
    TSaveOutcome outcome;
    const QString failure = WriteTable(table, fileName, format, progress, outcome.changes);
    if (failure.isNull()) {
        outcome.message = SavedMessage(fileName);
        // Said with the success, so a save that had to change values never passes unnoticed.
        if (outcome.changes.Any())
            outcome.message += QStringLiteral("\n") + DataChangesText(outcome.changes) + '.';
    } else if (format == TDataFileFormat::DataPacket) {
        outcome.kind = TSaveOutcome::TKind::PacketNotCreated;
        outcome.message = CannotCreateMessage(fileName, failure);
    } else {
        outcome.kind = TSaveOutcome::TKind::TextNotSaved;
        outcome.message = TextNotSavedMessage(fileName, failure);
    }
    return outcome;
}

TLoadOutcome LoadTableFromFile(const QString& fileName, TRecordTable& table,
                               const TFileProgress& progress) {
    // A folder, a FIFO or a device (/dev/zero) is refused before it is read: none of them
    // ends like a file.
    TLoadOutcome refused;
    refused.reason = NotReadableFileReason(fileName);
    if (!refused.reason.isEmpty())
        return refused;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        refused.reason = file.errorString();
        return refused;
    }
    return FormatForFileName(fileName) == TDataFileFormat::DataPacket
               ? LoadPacket(file, table, progress)
               : LoadText(file, table, progress);
}
