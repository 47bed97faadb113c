#include "cli/RecordSinks.h"

#include "base/SystemError.h"
#include "records/DataFileFormat.h"
#include "records/DataFiles.h"
#include "records/TextTableFormat.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int64_t kChunkBytes = 1 << 20;

QString NotContinuedMessage(const QString& fileName, const QString& why) {
    return QStringLiteral("%1: %2; nothing was recorded").arg(fileName, why);
}

// One past `last`, or nullopt at the end of the numbers.
std::optional<int32_t> NumberAfter(int32_t last) {
    if (last == std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return std::max(last, 0) + 1;
}

// The header line as this program writes it, without its line ending.
QByteArrayView HeaderText() {
    static const QByteArray header = TextTableHeader().chopped(2);
    return header;
}

} // namespace

std::unique_ptr<IRecordSink> OpenRecordSink(const QString& fileName, QString& error) {
    if (FormatForFileName(fileName) == TDataFileFormat::DataPacket) {
        auto sink = std::make_unique<TDataPacketSink>();
        return sink->Open(fileName, error) ? std::move(sink) : nullptr;
    }
    auto sink = std::make_unique<TTextTableSink>();
    return sink->Open(fileName, error) ? std::move(sink) : nullptr;
}

// ---- text table ------------------------------------------------------------------------------

bool TTextTableSink::Open(const QString& fileName, QString& error) {
    if (!file_.Open(fileName, error))
        return false;
    const int64_t size = file_.Size(error);
    if (size < 0)
        return false;
    if (size == 0)
        return file_.Append(TextTableHeader(), error);
    if (!CheckExisting(size, error)) {
        file_.Close();
        return false;
    }
    return true;
}

bool TTextTableSink::CheckExisting(int64_t size, QString& error) {
    const QString& name = file_.Path();
    std::optional<int32_t> lastNo;
    TTextTableReader reader([&lastNo](const TRecordView& record) {
        lastNo = record.No;
        return true;
    });
    std::vector<char> chunk(size_t(std::min(size, kChunkBytes)));
    int64_t done = 0;
    while (done < size) {
        const int64_t n = file_.ReadAt(done, chunk.data(), int64_t(chunk.size()), error);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (done == 0) {
            // Only a file that starts with this program's header is continued: not a notes
            // file, nor a packet under another name.
            const QByteArrayView first(chunk.data(), qsizetype(n));
            const QByteArrayView header = HeaderText();
            if (!first.startsWith(header) ||
                (first.size() > header.size() && first[header.size()] != '\r' &&
                 first[header.size()] != '\n')) {
                error = NotContinuedMessage(
                    name, QStringLiteral("not a text table of this program (its first line is "
                                         "not the header No, Time, %RH, Temp, Unit)"));
                return false;
            }
        }
        if (std::memchr(chunk.data(), 0, size_t(n))) {
            error = NotContinuedMessage(name, QStringLiteral("not a text table (it holds a zero "
                                                             "byte)"));
            return false;
        }
        reader.Feed(chunk.data(), size_t(n));
        done += n;
    }
    if (!reader.Finish()) {
        error = NotContinuedMessage(
            name, QStringLiteral("not a text table this program can open (line %1)")
                      .arg(reader.ErrorLine()));
        return false;
    }
    const std::optional<int32_t> next = NumberAfter(lastNo.value_or(0));
    if (!next) {
        error = NotContinuedMessage(name, QStringLiteral("its last record number is the largest "
                                                         "a record can have"));
        return false;
    }
    nextNo_ = *next;

    // The last line must end before a record is added, or the record would be glued onto it.
    char last = 0;
    if (file_.ReadAt(size - 1, &last, 1, error) != 1)
        return false;
    if (last == '\n' || last == '\r')
        return true;
    // An unended last line is ended when it is whole: the header, a blank line, or a record with
    // all five fields. Anything shorter may be a record cut off by a crash or a full disk, which
    // this program must not continue as if it were whole.
    const int64_t tailSize = std::min<int64_t>(size, TTextTableReader::kMaxLineBytes);
    std::vector<char> tail(static_cast<size_t>(tailSize));
    if (file_.ReadAt(size - tailSize, tail.data(), tailSize, error) != tailSize)
        return false;
    const char* end = tail.data() + tail.size();
    const char* begin = end;
    while (begin > tail.data() && begin[-1] != '\n' && begin[-1] != '\r')
        --begin;
    const bool isHeader = begin == tail.data() && size == tailSize;
    TRecordView record;
    std::string scratch;
    const TTextLineResult line = ParseTextTableLine(begin, end, record, scratch);
    const bool whole = line == TTextLineResult::Blank ||
                       (line == TTextLineResult::Record && record.Text[3].has_value());
    if (!isHeader && !whole) {
        error = NotContinuedMessage(
            name, QStringLiteral("its last line is cut off (no line ending, fewer than five "
                                 "fields)"));
        return false;
    }
    return file_.Append(QByteArrayView("\r\n"), error);
}

bool TTextTableSink::Record(const TRecord& record, QString& error) {
    QByteArray line;
    AppendTextTableLine(line, record);
    return file_.Append(line, error);
}

bool TTextTableSink::Finish(const TRecordTable& /*table*/, QString& /*error*/) {
    file_.Close();
    return true;
}

// ---- data packet -----------------------------------------------------------------------------

TDataPacketSink::~TDataPacketSink() {
    // A run that never wrote its packet leaves no empty file of its own making behind.
    if (created_ && !finished_) {
        QString error;
        if (lock_.IsOpen() && lock_.Size(error) == 0)
            QFile::remove(fileName_);
    }
}

bool TDataPacketSink::Open(const QString& fileName, QString& error) {
    fileName_ = fileName;
    const bool existed = QFile::exists(fileName) || QFileInfo(fileName).isSymLink();
    // The file itself is the lock (created empty when new, replaced by the packet at the end).
    if (!lock_.Open(fileName, error))
        return false;
    const int64_t size = lock_.Size(error);
    if (size < 0)
        return false;
    created_ = !existed;
    // Make sure now that the folder takes the packet, so a long run does not end in a save that
    // cannot happen.
    {
        TReplaceFile probe(fileName);
        if (!probe.Open()) {
            error = CannotCreateMessage(fileName, probe.Error());
            return false;
        }
    }
    if (size == 0)
        return true;
    // An existing packet's records are kept: read now, written back with the new ones.
    const TLoadOutcome loaded = LoadTableFromFile(fileName, existing_);
    if (!loaded.ok) {
        error = NotContinuedMessage(
            fileName,
            QStringLiteral("not a data packet this program can open (%1)").arg(loaded.reason));
        return false;
    }
    int32_t lastNo = 0;
    for (int64_t row = existing_.Count() - 1; row >= 0; --row) {
        if (const std::optional<int32_t> no = existing_.At(row).No) {
            lastNo = *no;
            break;
        }
    }
    const std::optional<int32_t> next = NumberAfter(lastNo);
    if (!next) {
        error = NotContinuedMessage(fileName, QStringLiteral("its last record number is the "
                                                             "largest a record can have"));
        return false;
    }
    nextNo_ = *next;
    return true;
}

void TDataPacketSink::TakeExisting(TRecordTable& into) {
    into.TakeFrom(existing_);
}

bool TDataPacketSink::Finish(const TRecordTable& table, QString& error) {
    const TSaveOutcome saved = SaveTableToFile(table, fileName_);
    if (saved.kind != TSaveOutcome::TKind::Saved) {
        error = saved.message;
        return false;
    }
    finished_ = true;
    lock_.Close();
    return true;
}
