// Compact storage of the record table.
//
// Rows live in fixed-size blocks of columns (never moved or reallocated, so an append costs the
// same at any size): per row the No value (4 bytes), four text ids (4 bytes each, 0 = no value)
// a flag byte and the received time (8 bytes), 29 bytes in all. The texts themselves are interned
// once in a TTextPool; logged readings repeat a small set of texts, so the pool adds next to
// nothing per row. The change log is kept as runs of consecutive appended rows (one run for a whole
// recording session) and built out only when asked for.
//
// In front of the pool sit the last two texts stored in each field, and the pool's hint of what
// followed the last one before: consecutive readings mostly repeat their unit, their humidity
// and temperature repeat, flicker between two values or come back in an order seen before, and
// so do the times of a recording that spans days. Opening a file appends a million records in a
// row, so most texts are found there without hashing.

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
    TReceivedTime received[kBlockRows];
};

// A run of change-log triples: (row + k, replaces, kind) for k = 0 .. count - 1.
struct TLogRun {
    TChange first;
    uint32_t count = 0;
};

// Everything a table holds. The pool's ids are only meaningful with the pool they came from, so
// the rows, the pool and the last ids in front of it are emptied and handed over together.
struct TStore {
    std::vector<std::unique_ptr<TBlock>> blocks;
    int64_t count = 0;
    TTextPool pool;
    // Per field the ids (+ 1; 0 = none yet) of its last text and of the other one before it.
    std::array<std::array<uint32_t, 2>, 4> lastTexts{};
    std::vector<TLogRun> log;
    int64_t logCount = 0;
    std::vector<TChange> logCache;
    bool logCacheValid = true;
};
} // namespace

TReceivedTime ReceivedNow() {
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime ReceivedLocalTime(TReceivedTime received) {
    if (received == kNoReceivedTime)
        return {};
    return QDateTime::fromMSecsSinceEpoch(received); // local time, offset of that instant
}

TRecordView TRecordView::Of(const TRecord& record) {
    TRecordView view;
    view.No = record.No;
    view.Received = record.Received;
    for (size_t f = 0; f < record.Text.size(); ++f) {
        if (record.Text[f])
            view.Text[f] = QByteArrayView(*record.Text[f]);
    }
    return view;
}

TRecord TRecordView::ToRecord() const {
    TRecord record;
    record.No = No;
    record.Received = Received;
    for (size_t f = 0; f < Text.size(); ++f) {
        if (Text[f])
            record.Text[f] = Text[f]->toByteArray();
    }
    return record;
}

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
    TStore store;
    std::vector<IRecordTableListener*> listeners;
    int suspended = 0;
    bool changedWhileSuspended = false;

    void CheckRow(int64_t row) const {
        if (row < 0 || row >= store.count)
            throw std::out_of_range("record row out of range");
    }
    const TBlock& BlockOf(int64_t row) const { return *store.blocks[size_t(row / kBlockRows)]; }

    // The stored id (id + 1) of a text already cut to the field width.
    uint32_t TextId(size_t field, QByteArrayView text) {
        uint32_t& last = store.lastTexts[field][0];
        uint32_t& before = store.lastTexts[field][1];
        TTextPool& pool = store.pool;
        if (last == 0)
            return last = pool.Intern(text) + 1;
        if (pool.Holds(last - 1, text))
            return last;
        uint32_t id = 0;
        if (before != 0 && pool.Holds(before - 1, text)) {
            id = before;
        } else {
            const uint32_t hint = pool.Hint(last - 1);
            if (hint != TTextPool::kNone && pool.Holds(hint, text)) {
                id = hint + 1;
            } else {
                id = pool.Intern(text) + 1;
                pool.SetHint(last - 1, id - 1);
            }
        }
        before = last;
        return last = id;
    }

    void Store(const TRecordView& record, bool logged) {
        auto& blocks = store.blocks;
        if (store.count == int64_t(blocks.size()) * kBlockRows)
            blocks.push_back(std::unique_ptr<TBlock>(new TBlock)); // not zeroed: filled row by row
        TBlock& block = *blocks.back();
        const int64_t i = store.count % kBlockRows;
        block.no[i] = record.No.value_or(0);
        block.flags[i] = uint8_t((record.No ? kHasNo : 0) | (logged ? kLogged : 0));
        block.received[i] = record.Received;
        for (size_t f = 0; f < record.Text.size(); ++f) {
            const auto& text = record.Text[f];
            block.text[f][i] =
                text ? TextId(f, text->first(std::min<qsizetype>(text->size(), kTextFieldWidth)))
                     : 0;
        }
        ++store.count;
    }

    // The triple comes as three numbers: a triple built on the stack for the call is read back
    // with wider loads than it was written with, which stalls the processor on every append.
    void Log(uint32_t row, uint32_t replaces, uint32_t kind) {
        store.logCacheValid = false;
        ++store.logCount;
        auto& log = store.log;
        if (!log.empty()) {
            TLogRun& last = log.back();
            if (last.first.replaces == replaces && last.first.kind == kind &&
                uint64_t(last.first.row) + last.count == row && last.count < UINT32_MAX) {
                ++last.count;
                return;
            }
        }
        log.push_back({{row, replaces, kind}, 1});
    }
    void Log(const TChange& change) { Log(change.row, change.replaces, change.kind); }

    void ClearLog() {
        store.log = {};
        store.logCount = 0;
        store.logCache = {};
        store.logCacheValid = true;
    }

    void ClearAll() { store = TStore{}; }

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
    return impl_->store.count;
}

TRecord TRecordTable::At(int64_t row) const {
    impl_->CheckRow(row);
    TRecord record;
    record.No = NoAt(row);
    record.Received = ReceivedAt(row);
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
    return impl_->store.pool.View(id - 1);
}

TReceivedTime TRecordTable::ReceivedAt(int64_t row) const {
    impl_->CheckRow(row);
    return impl_->BlockOf(row).received[row % kBlockRows];
}

void TRecordTable::Append(const TRecord& record, bool logged) {
    Append(TRecordView::Of(record), logged);
}

void TRecordTable::Append(const TRecordView& record, bool logged) {
    impl_->Store(record, logged);
    if (logged)
        impl_->Log(uint32_t(impl_->store.count), 0, 4);
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
        impl_->Store(TRecordView::Of(records[i]), i < loggedAppends.size() && loggedAppends[i]);
    for (const TChange& change : changeLog)
        impl_->Log(change);
    impl_->Reset();
}

void TRecordTable::TakeFrom(TRecordTable& source) {
    if (&source == this)
        return;
    std::swap(impl_->store, source.impl_->store);
    source.impl_->ClearAll();
    impl_->Reset();
    source.impl_->Reset();
}

void TRecordTable::ReplaceChangeLog(const std::vector<TChange>& changeLog) {
    impl_->ClearLog();
    for (const TChange& change : changeLog)
        impl_->Log(change);
}

const std::vector<TChange>& TRecordTable::ChangeLog() const {
    TStore& store = impl_->store;
    if (!store.logCacheValid) {
        store.logCache.clear();
        store.logCache.reserve(size_t(store.logCount));
        ForEachChange([&](const TChange& change) { store.logCache.push_back(change); });
        store.logCacheValid = true;
    }
    return store.logCache;
}

int64_t TRecordTable::ChangeCount() const {
    return impl_->store.logCount;
}

void TRecordTable::ForEachChange(const std::function<void(const TChange&)>& visit) const {
    for (const TLogRun& run : impl_->store.log) {
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
    const TStore& store = impl_->store;
    return store.blocks.size() * sizeof(TBlock) + store.blocks.capacity() * sizeof(void*) +
           store.pool.MemoryBytes() + store.log.capacity() * sizeof(TLogRun) +
           store.logCache.capacity() * sizeof(TChange);
}
