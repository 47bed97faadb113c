// Straightforward storage of the record table; a compact store replaces it.

#include "records/RecordTable.h"

#include <algorithm>

namespace {
constexpr std::array<const char*, kFieldCount> kNames = {"No", "Time", "Value", "DC/AC", "Unit"};
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
    std::vector<TRecord> records;
    std::vector<bool> logged;
    std::vector<TChange> changeLog;
    std::vector<IRecordTableListener*> listeners;
    int suspended = 0;
    bool changedWhileSuspended = false;

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
    return int64_t(impl_->records.size());
}

TRecord TRecordTable::At(int64_t row) const {
    return impl_->records.at(size_t(row));
}

void TRecordTable::Append(const TRecord& record, bool logged) {
    TRecord stored = record;
    for (auto& text : stored.Text) {
        if (text && text->size() > kTextFieldWidth)
            text->truncate(kTextFieldWidth);
    }
    impl_->records.push_back(std::move(stored));
    impl_->logged.push_back(logged);
    if (logged)
        impl_->changeLog.push_back({uint32_t(impl_->records.size()), 0, 4});
    impl_->Appended(Count() - 1);
}

bool TRecordTable::IsLoggedAppend(int64_t row) const {
    return impl_->logged.at(size_t(row));
}

void TRecordTable::Clear() {
    impl_->records.clear();
    impl_->logged.clear();
    impl_->changeLog.clear();
    impl_->Reset();
}

void TRecordTable::Replace(std::vector<TRecord> records, std::vector<bool> loggedAppends,
                           std::vector<TChange> changeLog) {
    loggedAppends.resize(records.size(), false);
    impl_->records = std::move(records);
    impl_->logged = std::move(loggedAppends);
    impl_->changeLog = std::move(changeLog);
    impl_->Reset();
}

const std::vector<TChange>& TRecordTable::ChangeLog() const {
    return impl_->changeLog;
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
    return impl_->records.capacity() * sizeof(TRecord);
}
