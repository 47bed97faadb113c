// Compact storage of the record table.
//
// Rows live in fixed-size blocks of columns (never moved or reallocated, so an append costs the
// same at any size): per row the No value (4 bytes), four text ids (4 bytes each, 0 = no value)
// and a flag byte, 21 bytes in all. The texts themselves are interned once in a TTextPool; logged
// readings repeat a small set of texts, so the pool adds next to nothing per row. The change log
// is kept as runs of consecutive appended rows (one run for a whole recording session) and built
// out only when asked for.

#include "records/RecordTable.h"

#include "records/TextPool.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {
constexpr std::array<const char*, kFieldCount> kNames = {"No", "Time", "Value", "DC/AC", "Unit"};

constexpr int64_t kBlockRows = int64_t(1) << 14;
constexpr uint8_t kHasNo = 1;
constexpr uint8_t kLogged = 2;

struct TBlock {
    int32_t no[kBlockRows];
    uint32_t text[4][kBlockRows]; // text id + 1; 0 = no value
    uint8_t flags[kBlockRows];
};

// A run of change-log triples: (row + k, replaces, kind) for k = 0 .. count - 1.
struct TLogRun {
    TChange first;
    uint32_t count = 0;
};
} // namespace

const char* FieldName(TField field) {
    return kNames[size_t(field)];
}

std::optional<TField> FindField(const QByteArray& name) {
    for (int i = 0; i < kFieldCount; ++i) {
        if (name.compare(kNames[size_t(i)], Qt::CaseInsensitive) == 0)
            return TField(i);
    }
    return std::nullopt;
}

struct TRecordTable::Impl {
    std::vector<std::unique_ptr<TBlock>> blocks;
    int64_t count = 0;
    TTextPool pool;
    std::vector<TLogRun> log;
    int64_t logCount = 0;
    mutable std::vector<TChange> logCache;
    mutable bool logCacheValid = true;

    std::vector<IRecordTableListener*> listeners;
    int suspended = 0;
    bool changedWhileSuspended = false;

    void CheckRow(int64_t row) const {
        if (row < 0 || row >= count)
            throw std::out_of_range("record row out of range");
    }
    const TBlock& BlockOf(int64_t row) const { return *blocks[size_t(row / kBlockRows)]; }

    void Store(const TRecord& record, bool logged) {
        if (count == int64_t(blocks.size()) * kBlockRows)
            blocks.push_back(std::make_unique<TBlock>());
        TBlock& block = *blocks.back();
        const int64_t i = count % kBlockRows;
        block.no[i] = record.No.value_or(0);
        block.flags[i] = uint8_t((record.No ? kHasNo : 0) | (logged ? kLogged : 0));
        for (size_t f = 0; f < record.Text.size(); ++f) {
            const auto& text = record.Text[f];
            block.text[f][i] = text ? pool.Intern(QByteArrayView(*text).first(
                                          std::min<qsizetype>(text->size(), kTextFieldWidth))) +
                                          1
                                    : 0;
        }
        ++count;
    }

    void Log(const TChange& change) {
        logCacheValid = false;
        ++logCount;
        if (!log.empty()) {
            TLogRun& last = log.back();
            if (last.first.replaces == change.replaces && last.first.kind == change.kind &&
                uint64_t(last.first.row) + last.count == change.row && last.count < UINT32_MAX) {
                ++last.count;
                return;
            }
        }
        log.push_back({change, 1});
    }

    void ClearAll() {
        blocks.clear();
        count = 0;
        pool.Clear();
        log = {};
        logCount = 0;
        logCache = {};
        logCacheValid = true;
    }

    void Appended(int64_t row) {
        if (suspended) {
            changedWhileSuspended = true;
            return;
        }
        for (auto* l : listeners)
            l->RecordsAppended(row, row);
    }
    void Reset() {
        if (suspended) {
            changedWhileSuspended = true;
            return;
        }
        for (auto* l : listeners)
            l->RecordsReset();
    }
};

TRecordTable::TRecordTable() : impl_(new Impl) {}
TRecordTable::~TRecordTable() {
    delete impl_;
}

int64_t TRecordTable::Count() const {
    return impl_->count;
}

TRecord TRecordTable::At(int64_t row) const {
    impl_->CheckRow(row);
    TRecord record;
    record.No = NoAt(row);
    for (int f = 1; f < kFieldCount; ++f) {
        if (auto text = TextAt(row, TField(f)))
            record.TextOf(TField(f)) = text->toByteArray();
    }
    return record;
}

std::optional<int32_t> TRecordTable::NoAt(int64_t row) const {
    impl_->CheckRow(row);
    const TBlock& block = impl_->BlockOf(row);
    const int64_t i = row % kBlockRows;
    if (!(block.flags[i] & kHasNo))
        return std::nullopt;
    return block.no[i];
}

std::optional<QByteArrayView> TRecordTable::TextAt(int64_t row, TField field) const {
    impl_->CheckRow(row);
    if (field == TField::No)
        throw std::invalid_argument("No is not a text field");
    const uint32_t id = impl_->BlockOf(row).text[int(field) - 1][row % kBlockRows];
    if (id == 0)
        return std::nullopt;
    return impl_->pool.View(id - 1);
}

void TRecordTable::Append(const TRecord& record, bool logged) {
    impl_->Store(record, logged);
    if (logged)
        impl_->Log({uint32_t(impl_->count), 0, 4});
    impl_->Appended(Count() - 1);
}

bool TRecordTable::IsLoggedAppend(int64_t row) const {
    impl_->CheckRow(row);
    return impl_->BlockOf(row).flags[row % kBlockRows] & kLogged;
}

void TRecordTable::Clear() {
    impl_->ClearAll();
    impl_->Reset();
}

void TRecordTable::Replace(std::vector<TRecord> records, std::vector<bool> loggedAppends,
                           std::vector<TChange> changeLog) {
    impl_->ClearAll();
    for (size_t i = 0; i < records.size(); ++i)
        impl_->Store(records[i], i < loggedAppends.size() && loggedAppends[i]);
    for (const TChange& change : changeLog)
        impl_->Log(change);
    impl_->Reset();
}

const std::vector<TChange>& TRecordTable::ChangeLog() const {
    if (!impl_->logCacheValid) {
        impl_->logCache.clear();
        impl_->logCache.reserve(size_t(impl_->logCount));
        ForEachChange([&](const TChange& change) { impl_->logCache.push_back(change); });
        impl_->logCacheValid = true;
    }
    return impl_->logCache;
}

int64_t TRecordTable::ChangeCount() const {
    return impl_->logCount;
}

void TRecordTable::ForEachChange(const std::function<void(const TChange&)>& visit) const {
    for (const TLogRun& run : impl_->log) {
        TChange change = run.first;
        for (uint32_t k = 0; k < run.count; ++k, ++change.row)
            visit(change);
    }
}

void TRecordTable::SuspendUpdates() {
    ++impl_->suspended;
}

void TRecordTable::ResumeUpdates() {
    if (impl_->suspended == 0 || --impl_->suspended > 0)
        return;
    if (impl_->changedWhileSuspended) {
        impl_->changedWhileSuspended = false;
        impl_->Reset();
    }
}

void TRecordTable::AddListener(IRecordTableListener* listener) {
    impl_->listeners.push_back(listener);
}

void TRecordTable::RemoveListener(IRecordTableListener* listener) {
    auto& l = impl_->listeners;
    l.erase(std::remove(l.begin(), l.end(), listener), l.end());
}

size_t TRecordTable::MemoryBytes() const {
    return impl_->blocks.size() * sizeof(TBlock) + impl_->blocks.capacity() * sizeof(void*) +
           impl_->pool.MemoryBytes() + impl_->log.capacity() * sizeof(TLogRun) +
           impl_->logCache.capacity() * sizeof(TChange);
}
