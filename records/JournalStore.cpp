#include "records/JournalStore.h"

#include "records/TextTableFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QRegularExpression& NamePattern() {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^rx47-(\d{8}-\d{6}-\d{3})-(RH|Temp)(?:-(new|switch|exit|crash))?\.txt$)"));
    return pattern;
}

constexpr const char* kEndSuffix[] = {"", "new", "switch", "exit", "crash"};

QString QuantityTag(TJournalQuantity quantity) {
    return quantity == TJournalQuantity::Temperature ? QStringLiteral("Temp")
                                                     : QStringLiteral("RH");
}

} // namespace

QString QuantityText(TJournalQuantity quantity) {
    return quantity == TJournalQuantity::Temperature ? QStringLiteral("Temp")
                                                     : QStringLiteral("%RH");
}

QString EndText(TJournalEnd end) {
    static const char* const kTexts[] = {"", "New", "switch", "Exit", "crash"};
    return QString::fromLatin1(kTexts[int(end)]);
}

QString DefaultJournalFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/rx47");
}

TJournalSummary SummarizeJournal(const QString& path) {
    TJournalSummary summary;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        summary.reason = file.errorString();
        return summary;
    }
    TTextTableReader reader([&](const TRecordView& record) {
        if (summary.first == kNoReceivedTime)
            summary.first = record.Received;
        summary.last = record.Received;
        return true;
    });
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const qint64 n = file.read(chunk.data(), qint64(chunk.size()));
        if (n < 0) {
            summary.reason = file.errorString();
            return summary;
        }
        if (n == 0 || !reader.Feed(chunk.data(), size_t(n)))
            break;
    }
    summary.readable = reader.Finish() && reader.IsJournal();
    if (!summary.readable)
        summary.reason = reader.IsJournal()
                             ? QStringLiteral("line %1 not readable").arg(reader.ErrorLine())
                             : QStringLiteral("not a journal");
    summary.records = reader.RecordsRead();
    summary.tornEnd = reader.TornEnd();
    summary.completeBytes = reader.CompleteBytes();
    return summary;
}

TJournalStore::TJournalStore(QString folder) : folder_(std::move(folder)) {}

bool TJournalStore::EnsureFolder(QString& error) const {
    QDir dir(folder_);
    if (dir.exists())
        return true;
    if (!QDir().mkpath(folder_)) {
        error = QStringLiteral("%1: cannot create the folder").arg(folder_);
        return false;
    }
    QFile::setPermissions(folder_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

QString TJournalStore::NewJournalPath(const QDateTime& started, TJournalQuantity quantity) const {
    QDateTime at = started;
    for (;;) {
        const QString name =
            QStringLiteral("rx47-%1-%2.txt")
                .arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")), QuantityTag(quantity));
        const QString path = QDir(folder_).filePath(name);
        bool taken = QFileInfo::exists(path);
        for (int end = 1; !taken && end < int(std::size(kEndSuffix)); ++end) {
            const QString ended = name.chopped(4) + QLatin1Char('-') +
                                  QLatin1String(kEndSuffix[end]) + QStringLiteral(".txt");
            taken = QFileInfo::exists(QDir(folder_).filePath(ended));
        }
        if (!taken)
            return path;
        at = at.addMSecs(1);
    }
}

std::optional<TJournalEntry> TJournalStore::ParseName(const QString& fileName) {
    const QRegularExpressionMatch match = NamePattern().match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    TJournalEntry entry;
    entry.started = QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (!entry.started.isValid())
        return std::nullopt;
    entry.quantity = match.captured(2) == QLatin1String("Temp") ? TJournalQuantity::Temperature
                                                                : TJournalQuantity::Humidity;
    const QString end = match.captured(3);
    for (int i = 1; i < int(std::size(kEndSuffix)); ++i) {
        if (end == QLatin1String(kEndSuffix[i]))
            entry.end = TJournalEnd(i);
    }
    return entry;
}

std::vector<TJournalEntry> TJournalStore::List() const {
    std::vector<TJournalEntry> entries;
    const QFileInfoList files =
        QDir(folder_).entryInfoList({QStringLiteral("rx47-*.txt")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        std::optional<TJournalEntry> entry = ParseName(info.fileName());
        if (!entry)
            continue;
        entry->path = info.absoluteFilePath();
        entry->bytes = info.size();
        entry->lastWritten = info.lastModified();
        entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const TJournalEntry& a, const TJournalEntry& b) {
        return a.started != b.started ? a.started > b.started : a.path > b.path;
    });
    return entries;
}

bool TJournalStore::InUse(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

std::vector<TJournalEntry> TJournalStore::LeftBehind() const {
    std::vector<TJournalEntry> left;
    for (TJournalEntry& entry : List()) {
        if (entry.end == TJournalEnd::None && !InUse(entry.path))
            left.push_back(std::move(entry));
    }
    return left;
}

QString TJournalStore::MarkEnded(const QString& path, TJournalEnd end, QString& error) {
    const QFileInfo info(path);
    std::optional<TJournalEntry> entry = ParseName(info.fileName());
    if (!entry || entry->end != TJournalEnd::None || end == TJournalEnd::None)
        return path;
    const QString ended =
        info.dir().filePath(info.completeBaseName() + QLatin1Char('-') +
                            QLatin1String(kEndSuffix[int(end)]) + QStringLiteral(".txt"));
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(ended).constData()) != 0) {
        error = QStringLiteral("%1: %2").arg(path, qt_error_string(errno));
        return path;
    }
    return ended;
}

int TJournalStore::Prune(const QDateTime& now, int64_t maxBytes) const {
    std::vector<TJournalEntry> ended;
    for (TJournalEntry& entry : List()) {
        if (entry.end != TJournalEnd::None)
            ended.push_back(std::move(entry));
    }
    // Oldest first by last write.
    std::sort(ended.begin(), ended.end(), [](const TJournalEntry& a, const TJournalEntry& b) {
        return a.lastWritten < b.lastWritten;
    });
    int64_t total = 0;
    for (const TJournalEntry& entry : List())
        total += entry.bytes;
    const QDateTime cutoff = now.addDays(-kKeepDays);
    int removed = 0;
    for (const TJournalEntry& entry : ended) {
        if (entry.lastWritten >= cutoff && total <= maxBytes)
            continue;
        if (QFile::remove(entry.path)) {
            total -= entry.bytes;
            ++removed;
        }
    }
    return removed;
}
