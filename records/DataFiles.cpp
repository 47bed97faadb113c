#include "records/DataFiles.h"

#include "records/DataPacketFormat.h"
#include "records/RecordTable.h"
#include "records/TextTableFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr qsizetype kChunkBytes = 1 << 20;
constexpr int64_t kRowsPerProgress = 1 << 14;
// What the table holds; a file that would take it further is refused there.
constexpr int64_t kMaxTableRecords = TDataPacketReader::kMaxRows;

int Permille(int64_t done, int64_t total) {
    return total <= 0 ? 0 : int(std::min<int64_t>(1000, done * 1000 / total));
}

// Writes the file through a temporary file beside it; only a complete file replaces the old one.
// Returns an empty text on success, else the system's reason.
QString WriteTable(const TRecordTable& table, const QString& fileName, TDataFileFormat format,
                   const TFileProgress& progress) {
    // Renaming would replace a file the user may not write; refuse as writing in place would.
    const QFileInfo target(fileName);
    if (target.exists() && target.isFile() && !target.isWritable())
        return QString::fromLocal8Bit(std::strerror(EACCES));

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QByteArray buffer;
    buffer.reserve(kChunkBytes + 4096);
    const auto flush = [&] {
        const bool written = file.write(buffer) == buffer.size();
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
            AppendTextTableLine(buffer, table.At(row));
        if (buffer.size() >= kChunkBytes && !flush())
            return file.errorString();
        if (progress && row % kRowsPerProgress == kRowsPerProgress - 1)
            progress(Permille(row, count));
    }
    if (packet)
        buffer.append(DataPacketTail());
    if (!flush() || !file.commit())
        return file.errorString();
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
    table.TakeFrom(read);
    return outcome;
}

} // namespace

QString SavedMessage(const QString& fileName) {
    return QStringLiteral("Save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
}

QString TextNotSavedMessage(const QString& fileName) {
    return QStringLiteral("Could not save table to specified file: ") + fileName;
}

QString CannotCreateMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}

TSaveOutcome SaveTableToFile(const TRecordTable& table, const QString& fileName,
                             const TFileProgress& progress) {
    const TDataFileFormat format = FormatForFileName(fileName);
    const QString failure = WriteTable(table, fileName, format, progress);
    if (failure.isNull())
        return {TSaveOutcome::TKind::Saved, SavedMessage(fileName)};
    if (format == TDataFileFormat::DataPacket)
        return {TSaveOutcome::TKind::PacketNotCreated, CannotCreateMessage(fileName, failure)};
    return {TSaveOutcome::TKind::TextNotSaved, TextNotSavedMessage(fileName)};
}

TLoadOutcome LoadTableFromFile(const QString& fileName, TRecordTable& table,
                               const TFileProgress& progress) {
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        TLoadOutcome outcome;
        outcome.reason = file.errorString();
        if (outcome.reason.isEmpty())
            outcome.reason = QStringLiteral("not a file");
        return outcome;
    }
    return FormatForFileName(fileName) == TDataFileFormat::DataPacket
               ? LoadPacket(file, table, progress)
               : LoadText(file, table, progress);
}
