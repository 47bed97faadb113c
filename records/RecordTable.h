#pragma once
// The in-memory record table cds1: five fields in this order, No (32-bit integer), Time, Value,
// DC/AC and Unit (texts of at most 20 characters), records in append order, no index or key.
// A field may hold no value at all (distinct from an empty text). The table also keeps the change
// log that the XML data packet writes: one triple (row, replaced row, kind) per logged change;
// appending a record logs (row number from 1, 0, 4).
//
// Storage is compact (the table holds up to ten million records) and appending is constant time.
// Views (the grid's model) follow the table through the listener interface.
//
// Received time: every record also keeps the moment the program received its reading, as
// milliseconds since 1970-01-01 00:00 UTC (0 = not known: records opened from a file have none).
// The table stores the instant only, never a local time or an offset; a local date and time is
// made from it with the time zone rules in force at that instant (QDateTime::fromMSecsSinceEpoch
// with the local zone, see ReceivedLocalTime), so a recording that spans a daylight-saving change
// shows each record with the offset it was received under. It is not part of the saved text table
// or data packet; it is not an Open-able field of the table.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

enum class TField : int { No = 0, Time = 1, Value = 2, Range = 3, Unit = 4 };
constexpr int kFieldCount = 5;
constexpr int kTextFieldWidth = 20;

// The field names as stored ("No", "Time", "Value", "DC/AC", "Unit").
const char* FieldName(TField field);
// Case-insensitive lookup of a field name; nullopt when the table has no such field.
std::optional<TField> FindField(const QByteArray& name);

// Milliseconds since the epoch (UTC) of a received reading; 0 = none.
using TReceivedTime = int64_t;
constexpr TReceivedTime kNoReceivedTime = 0;
// The current moment as a received time.
TReceivedTime ReceivedNow();
// The local date and time of a received time, with the UTC offset in force at that instant;
// an invalid QDateTime for kNoReceivedTime.
QDateTime ReceivedLocalTime(TReceivedTime received);

// One record as read or written. Texts are 8-bit strings.
struct TRecord {
    std::optional<int32_t> No;
    std::array<std::optional<QByteArray>, 4> Text; // Time, Value, DC/AC, Unit
    TReceivedTime Received = kNoReceivedTime;      // when the program received it; 0 = none

    std::optional<QByteArray>& TextOf(TField field) { return Text[int(field) - 1]; }
    const std::optional<QByteArray>& TextOf(TField field) const { return Text[int(field) - 1]; }
    bool operator==(const TRecord&) const = default;
};

// A record as views of bytes held elsewhere, for readers that append what they read without
// copying it into a TRecord first. The views need only live until the record is appended.
struct TRecordView {
    std::optional<int32_t> No;
    std::array<std::optional<QByteArrayView>, 4> Text; // Time, Value, DC/AC, Unit
    TReceivedTime Received = kNoReceivedTime;

    static TRecordView Of(const TRecord& record);
    TRecord ToRecord() const;
};

// Change log entry as the data packet writes it.
struct TChange {
    uint32_t row = 0;      // row number in the data, from 1
    uint32_t replaces = 0; // 0 for a new row
    uint32_t kind = 0;     // 4 for an appended row
    bool operator==(const TChange&) const = default;
};

class IRecordTableListener {
public:
    virtual ~IRecordTableListener() = default;
    virtual void RecordsAppended(int64_t first, int64_t last) = 0; // rows first..last are new
    virtual void RecordsReset() = 0;                               // contents replaced or emptied
};

class TRecordTable {
public:
    TRecordTable();
    ~TRecordTable();
    TRecordTable(const TRecordTable&) = delete;
    TRecordTable& operator=(const TRecordTable&) = delete;

    int64_t Count() const;
    bool IsEmpty() const { return Count() == 0; }
    TRecord At(int64_t row) const;
    // One field of a row without building the whole record (the grid and the writers read cells
    // this way). The view stays valid until the table is emptied or replaced.
    std::optional<int32_t> NoAt(int64_t row) const;
    std::optional<QByteArrayView> TextAt(int64_t row, TField field) const;
    // When the record's reading was received (0 = none, as for records opened from a file).
    TReceivedTime ReceivedAt(int64_t row) const;

    // Appends one record. logged: a logged appended row (RowState 4, one change-log triple).
    // Texts longer than 20 characters are cut to 20.
    void Append(const TRecord& record, bool logged = true);
    void Append(const TRecordView& record, bool logged = true);
    // Whether the row is a logged appended row (written with RowState="4").
    bool IsLoggedAppend(int64_t row) const;

    // Empties the table and its change log.
    void Clear();
    // Replaces the whole content (a data packet that opened): rows, their logged flags and the log.
    void Replace(std::vector<TRecord> records, std::vector<bool> loggedAppends,
                 std::vector<TChange> changeLog);
    // Takes over source's rows, their logged flags and its change log without copying them, and
    // leaves source empty (a data packet read into a table of its own replaces this one's
    // content only once it has been read in full). Listeners of both tables hear a reset.
    void TakeFrom(TRecordTable& source);
    // Replaces the change log alone; the rows and their logged flags stay (a packet whose log is
    // not the one its appends build keeps its own).
    void ReplaceChangeLog(const std::vector<TChange>& changeLog);

    // The change log, built on demand from its compact form; the reference stays valid until the
    // table changes. ForEachChange walks it without building it (10,000,000 triples take 120 MB).
    const std::vector<TChange>& ChangeLog() const;
    int64_t ChangeCount() const;
    void ForEachChange(const std::function<void(const TChange&)>& visit) const;

    // While updates are suspended, listeners hear nothing; resuming sends one reset when anything
    // changed meanwhile. Calls nest.
    void SuspendUpdates();
    void ResumeUpdates();
    // Suspends updates for the life of a scope.
    class TUpdatesSuspended {
    public:
        explicit TUpdatesSuspended(TRecordTable& table) : table_(table) { table_.SuspendUpdates(); }
        ~TUpdatesSuspended() { table_.ResumeUpdates(); }
        TUpdatesSuspended(const TUpdatesSuspended&) = delete;
        TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

    private:
        TRecordTable& table_;
    };

    void AddListener(IRecordTableListener* listener);
    void RemoveListener(IRecordTableListener* listener);

    // Resident bytes used by the storage (for the benchmark).
    size_t MemoryBytes() const;

private:
    struct Impl;
    Impl* impl_;
};
