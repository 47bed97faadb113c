#pragma once
// The tab-separated text table: a header line with the grid's column captions, then one line per
// record, every line ending with CR LF. Writing trims each text and writes "NULL" for a missing or
// blank one; reading drops the first line, splits each further line into items and appends one
// record per non-blank line.

#include "records/RecordTable.h"

#include <QByteArray>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// ---- Writing ---------------------------------------------------------------------------------

// "No", "Time", "%RH", "Temp", "Unit" joined by TABs, with CR LF.
QByteArray TextTableHeader();
// Appends the record's line with its CR LF. A value holding a separator or a '"' is quoted, so the
// line reads back as the same five items; a line break inside a value, which no line can hold,
// becomes a space. Returns how many values were changed that way.
int AppendTextTableLine(QByteArray& out, const TRecord& record);

// ---- Reading ---------------------------------------------------------------------------------

// One item of a line: a view into the line, or into the splitter's own buffer for a quoted item.
struct TTextItem {
    const char* data = nullptr;
    size_t size = 0;
};

// Splits a line into items. Characters 1 to 32 separate items; an item is a run of characters
// above 32, or, starting with '"', the text up to the closing '"' with "" read as one '"' (an
// unclosed quote runs to the end of the line). Stops early once there are more than maxItems
// items, so a hostile line costs no more than its length. Quoted items are decoded into scratch,
// which must outlive the items.
void SplitTextTableItems(const char* begin, const char* end, size_t maxItems,
                         std::vector<TTextItem>& items, std::string& scratch);

enum class TTextLineResult { Blank, Record, TooManyItems, BadNumber };

// Turns one line (without its ending) into a record: item 0 into No (a strict integer), items 1..4
// into the texts (cut to 20 characters, "NULL" kept as it is), missing items without a value.
// The texts view the line or, for quoted items, scratch (reused by the next call).
// Texts longer than 20 characters are counted in *cutValues when given.
TTextLineResult ParseTextTableLine(const char* begin, const char* end, TRecordView& record,
                                   std::string& scratch, int64_t* cutValues = nullptr);

// Reads a text table streamed in chunks of any size. Lines end at CR, LF or CR LF; a last line
// without an ending still counts; a zero byte ends the text. The first line is skipped unread.
// Each record goes to the sink as soon as its line is read, so a failing line keeps the records
// of the lines before it, and no record is begun for the failing line itself.
//
// A first line that is the recording journal's header (JournalFormat.h) makes it a journal: each
// line may carry a sixth item, the received time (or NULL), which must read as one; and a last
// line without its line end (cut short by a crash) is left out instead of read.
class TTextTableReader {
public:
    enum class TError { None, Empty, TooManyItems, BadNumber, LineTooLong, Refused, BadReceived };
    // Returns false to refuse the record (stops the reading with TError::Refused). The record's
    // texts view the reader's bytes and last only for the call.
    using TSink = std::function<bool(const TRecordView&)>;
    // A longer line is refused: no line the program writes comes near it.
    static constexpr size_t kMaxLineBytes = 1 << 20;

    explicit TTextTableReader(TSink sink);

    // Returns false once no more text is wanted: the reading has failed, or a zero byte ended
    // the text (so a file of zeros is refused at its first byte, not after reading it all).
    // Later calls do nothing.
    bool Feed(const char* data, size_t size);
    // The end of the file. Returns true when the whole text was read without a failure.
    bool Finish();

    TError Error() const { return error_; }
    // Line of the failure, counted from 1 (the header line is line 1).
    int64_t ErrorLine() const { return error_ == TError::None ? 0 : lineNumber_; }
    int64_t RecordsRead() const { return records_; }
    // Values longer than the table's fields, cut to 20 characters.
    int64_t CutValues() const { return cutValues_; }
    // The first line was the journal's header.
    bool IsJournal() const { return journal_; }
    // A journal whose last line was cut short (left out).
    bool TornEnd() const { return tornEnd_; }
    // Bytes up to the end of the last line read in full: where a journal may be continued.
    int64_t CompleteBytes() const { return completeBytes_; }

private:
    void EndLine(const char* begin, const char* end);
    void EndJournalLine(const char* begin, const char* end);
    void Fail(TError error) { error_ = error; }

    TSink sink_;
    TRecordView record_;
    std::string scratch_;  // quoted items of the current line
    std::string pending_;  // a line cut by the end of a chunk
    bool sawText_ = false; // something of a first line was seen
    bool inFirstLine_ = true;
    bool skipLf_ = false;  // the last chunk ended with CR
    bool stopped_ = false; // a zero byte ended the text
    bool finished_ = false;
    TError error_ = TError::None;
    int64_t lineNumber_ = 0; // lines ended so far
    int64_t records_ = 0;
    int64_t cutValues_ = 0;
    std::string firstLine_; // the start of the first line, enough to tell a journal's header
    bool journal_ = false;
    bool tornEnd_ = false;
    int64_t fed_ = 0;           // bytes fed before the current chunk
    int64_t completeBytes_ = 0; // see CompleteBytes()
    std::vector<TTextItem> items_;
};
