#pragma once
// The recording journal's text: a text table (see TextTableFormat.h) with a sixth column, the
// local date and time at which the program received each reading, with its UTC offset:
//
//   No<TAB>Time<TAB>%RH<TAB>Temp<TAB>Unit<TAB>Received<CR><LF>
//   1<TAB>10:20:31<TAB>45.3%RH<TAB>23.4<TAB>#<TAB>2026-12-11T16:25:36.123+01:00<CR><LF>
//
// The header line marks the file as a journal. Texts are written as they are; one that is empty,
// holds a character from 1 to 32 or a double quote, is written in double quotes with inner
// quotes doubled (so a journal line always reads back as the record it was written from). A
// record is one line written at once; a last line without its line end is a line cut short by a
// crash or power cut, and readers ignore it.

#include "records/RecordTable.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// The journal's first line, with its CR LF.
QByteArray JournalHeader();
// Whether a first line (without its ending) is the journal's header.
bool IsJournalHeader(const char* begin, const char* end);

// "2026-12-11T16:25:36.123+01:00": the local time of `received` and its offset from UTC in
// seconds. nullopt-free: the caller passes the offset in force at that instant.
void AppendReceivedText(QByteArray& out, TReceivedTime received, int32_t utcOffsetSeconds);
// The instant a received-time text names; nullopt unless it is exactly of the written form
// (a 'Z' in place of the offset is accepted too).
std::optional<TReceivedTime> ParseReceivedText(const char* text, size_t size);

// Builds journal lines. The local offset is looked up once per quarter hour of received times
// (offsets change only at quarter-hour instants), so a line costs no time-zone lookup.
class TJournalLineFormatter {
public:
    // The record's line with its CR LF, replacing `line`'s content.
    void Format(const TRecord& record, QByteArray& line);

private:
    int32_t OffsetAt(TReceivedTime received);

    int64_t cachedQuarter_ = INT64_MIN;
    int32_t cachedOffset_ = 0;
};
