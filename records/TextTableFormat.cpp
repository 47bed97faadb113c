#include "records/TextTableFormat.h"

#include "base/Conversion.h"
#include "records/AnsiCodePage.h"
#include "records/ByteScan.h"
#include "records/JournalFormat.h"

#include <algorithm>
#include <cstring>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char kNull[] = "NULL";
// The grid's column captions in column order (the display label of Value, the title of DC/AC).
constexpr char kHeader[] = "No\tTime\t%RH\tTemp\tUnit\r\n";

inline bool IsSeparator(uint8_t c) {
    return c >= 1 && c <= 32;
}

// A text value as one item the reader splits off again: trimmed, "NULL" when blank, and quoted
// when it holds a separator (a TAB, an inner space) or a double quote, with each '"' doubled.
// A line break cannot be held by any line, so it becomes a space; returns true when the value was
// changed that way.
bool AppendTextValue(QByteArray& out, const std::optional<QByteArray>& text) {
    const char* b = text ? text->constData() : nullptr;
    const char* e = text ? b + text->size() : nullptr;
    while (b < e && uint8_t(*b) <= 32)
        ++b;
    while (e > b && uint8_t(e[-1]) <= 32)
        --e;
    if (b == e) {
        out.append(kNull, 4);
        return false;
    }
    const bool plain = std::all_of(b, e, [](char c) { return uint8_t(c) > 32 && c != '"'; });
    if (plain) {
        out.append(b, e - b);
        return false;
    }
    bool changed = false;
    out.append('"');
    for (const char* p = b; p < e; ++p) {
        if (*p == '"') {
            out.append("\"\"", 2);
        } else if (*p == '\r' || *p == '\n') {
            out.append(' ');
            changed = true;
        } else {
            out.append(*p);
        }
    }
    out.append('"');
    return changed;
}

} // namespace

QByteArray TextTableHeader() {
    return QByteArray(kHeader);
}

int AppendTextTableLine(QByteArray& out, const TRecord& record) {
    if (record.No)
        out.append(QByteArray::number(*record.No));
    int changed = 0;
    for (const auto& text : record.Text) {
        out.append('\t');
        changed += AppendTextValue(out, text) ? 1 : 0;
    }
    out.append("\r\n", 2);
    return changed;
}

namespace {

// Walks the items of one line as SplitTextTableItems describes. Quoted items are decoded into
// scratch. At the first one, scratch gets room for the rest of the line; decoding never makes
// more bytes than it reads, so scratch never grows again and the views into it stay valid.
class TItemScanner {
public:
    TItemScanner(const char* begin, const char* end, std::string& scratch)
        : p_(begin), end_(end), scratch_(scratch) {
        scratch_.clear();
        SkipSeparators();
    }
    bool AtEnd() const { return p_ == end_; }

    TTextItem Next() {
        TTextItem item;
        if (*p_ == '"') {
            const size_t room = scratch_.size() + size_t(end_ - p_);
            if (scratch_.capacity() < room)
                scratch_.reserve(room);
            const size_t start = scratch_.size();
            ++p_;
            while (p_ < end_) {
                if (*p_ == '"') {
                    if (p_ + 1 < end_ && p_[1] == '"') {
                        scratch_.push_back('"');
                        p_ += 2;
                        continue;
                    }
                    ++p_; // the closing quote
                    break;
                }
                const size_t n = AnsiCharSize(p_, end_);
                scratch_.append(p_, n);
                p_ += n;
            }
            item = {scratch_.data() + start, scratch_.size() - start};
        } else {
            const char* start = p_;
            while (p_ < end_ && uint8_t(*p_) > 32)
                p_ += AnsiCharSize(p_, end_);
            item = {start, size_t(p_ - start)};
        }
        SkipSeparators();
        return item;
    }

private:
    void SkipSeparators() {
        while (p_ < end_ && IsSeparator(uint8_t(*p_)))
            ++p_;
    }

    const char* p_;
    const char* end_;
    std::string& scratch_;
};

} // namespace

void SplitTextTableItems(const char* begin, const char* end, size_t maxItems,
                         std::vector<TTextItem>& items, std::string& scratch) {
    items.clear();
    TItemScanner scanner(begin, end, scratch);
    while (!scanner.AtEnd() && items.size() <= maxItems)
        items.push_back(scanner.Next());
}

namespace {

// The longest line split by masks; a longer one goes through the scanner.
constexpr size_t kMaskedLineBytes = 64;

// Bit i of separators is set when byte i of the line is a separator (codes 1 to 32), bit i of
// special when it is a '"' or a zero byte (which only the scanner reads as it should).
struct TLineMasks {
    uint64_t separators = 0;
    uint64_t special = 0;
};

#if defined(__SSE2__)
// The masks of the sixteen bytes at p + i.
inline void MaskSixteen(const char* p, size_t i, TLineMasks& masks) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i upToSpace = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(32)), bytes);
    const auto zeros = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    const auto quotes = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'))));
    masks.separators |= uint64_t(unsigned(_mm_movemask_epi8(upToSpace)) & ~zeros) << i;
    masks.special |= uint64_t(zeros | quotes) << i;
}
#endif

TLineMasks MaskLine(const char* p, size_t n) {
    TLineMasks masks;
#if defined(__SSE2__)
    if (n >= 16) {
        // Whole blocks, then one more ending at the last byte (overlapping bits come out the same).
        size_t i = 0;
        for (; i + 16 <= n; i += 16)
            MaskSixteen(p, i, masks);
        if (i < n)
            MaskSixteen(p, n - 16, masks);
        return masks;
    }
#endif
    for (size_t i = 0; i < n; ++i) {
        const auto c = uint8_t(p[i]);
        masks.separators |= uint64_t(unsigned(c) - 1u < 32u) << i;
        masks.special |= uint64_t(c == 0 || c == '"') << i;
    }
    return masks;
}

// The items of one line, as plain arrays: they are filled for every line of a file, and
// TTextItem's member initialisers would clear them first each time.
struct TLineItems {
    const char* data[kFieldCount + 1];
    size_t size[kFieldCount + 1];
    size_t count;
};

// Splits a line of plain items: each item is a run of bytes that are not separators. Stops at
// kFieldCount + 1 items.
void SplitMaskedLine(const char* p, uint64_t itemBytes, TLineItems& items) {
    // The first and the last byte of every item, walked side by side.
    uint64_t starts = itemBytes & ~(itemBytes << 1);
    uint64_t lasts = itemBytes & ~(itemBytes >> 1);
    items.count = 0;
    while (starts && items.count <= size_t(kFieldCount)) {
        const auto start = size_t(__builtin_ctzll(starts));
        const auto last = size_t(__builtin_ctzll(lasts));
        items.data[items.count] = p + start;
        items.size[items.count++] = last + 1 - start;
        starts &= starts - 1;
        lasts &= lasts - 1;
    }
}

} // namespace

TTextLineResult ParseTextTableLine(const char* begin, const char* end, TRecordView& record,
                                   std::string& scratch, int64_t* cutValues) {
    TLineItems items;
    const auto size = size_t(end - begin);
    // Byte masks split the common line without a branch per byte; a line with quotes, a zero
    // byte or more bytes than a mask holds goes through the scanner.
    const bool masked = !AnsiHasLeadBytes() && size <= kMaskedLineBytes;
    const TLineMasks masks = masked ? MaskLine(begin, size) : TLineMasks{};
    if (masked && masks.special == 0) {
        const uint64_t lineBytes = size == 64 ? ~uint64_t(0) : (uint64_t(1) << size) - 1;
        SplitMaskedLine(begin, lineBytes & ~masks.separators, items);
    } else {
        items.count = 0;
        TItemScanner scanner(begin, end, scratch);
        while (!scanner.AtEnd() && items.count <= size_t(kFieldCount)) {
            const TTextItem item = scanner.Next();
            items.data[items.count] = item.data;
            items.size[items.count++] = item.size;
        }
    }
    const size_t count = items.count;
    if (count > size_t(kFieldCount))
        return TTextLineResult::TooManyItems;
    if (count == 0)
        return TTextLineResult::Blank;
    record.No = ParseInteger(QByteArrayView(items.data[0], qsizetype(items.size[0])));
    if (!record.No)
        return TTextLineResult::BadNumber;
    for (size_t i = 0; i < record.Text.size(); ++i) {
        if (i + 1 < count) {
            if (cutValues && items.size[i + 1] > size_t(kTextFieldWidth))
                ++*cutValues;
            record.Text[i] = QByteArrayView(
                items.data[i + 1], qsizetype(std::min<size_t>(items.size[i + 1], kTextFieldWidth)));
        } else {
            record.Text[i].reset();
        }
    }
    return TTextLineResult::Record;
}

TTextTableReader::TTextTableReader(TSink sink) : sink_(std::move(sink)) {}

namespace {
// Enough of a first line to tell the journal's header from any other.
constexpr size_t kFirstLineKept = 64;
} // namespace

void TTextTableReader::EndJournalLine(const char* begin, const char* end) {
    SplitTextTableItems(begin, end, kFieldCount + 1, items_, scratch_);
    if (items_.empty())
        return;
    if (items_.size() > size_t(kFieldCount + 1))
        return Fail(TError::TooManyItems);
    record_.No = ParseInteger(QByteArrayView(items_[0].data, qsizetype(items_[0].size)));
    if (!record_.No)
        return Fail(TError::BadNumber);
    for (size_t i = 0; i < record_.Text.size(); ++i) {
        if (i + 1 < items_.size()) {
            record_.Text[i] =
                QByteArrayView(items_[i + 1].data,
                               qsizetype(std::min<size_t>(items_[i + 1].size, kTextFieldWidth)));
        } else {
            record_.Text[i].reset();
        }
    }
    record_.Received = kNoReceivedTime;
    if (items_.size() == size_t(kFieldCount + 1)) {
        const TTextItem& item = items_.back();
        if (!(item.size == 4 && std::memcmp(item.data, "NULL", 4) == 0)) {
            const auto received = ParseReceivedText(item.data, item.size);
            if (!received)
                return Fail(TError::BadReceived);
            record_.Received = *received;
        }
    }
    if (!sink_(record_))
        return Fail(TError::Refused);
    ++records_;
}

void TTextTableReader::EndLine(const char* begin, const char* end) {
    ++lineNumber_;
    if (inFirstLine_) {
        inFirstLine_ = false; // the header: only whether it is a journal's is of interest
        firstLine_.append(begin, std::min(size_t(end - begin), kFirstLineKept));
        journal_ = IsJournalHeader(firstLine_.data(), firstLine_.data() + firstLine_.size());
        return;
    }
    if (journal_)
        return EndJournalLine(begin, end);
    switch (ParseTextTableLine(begin, end, record_, scratch_, &cutValues_)) {
    case TTextLineResult::Blank:
        return;
    case TTextLineResult::TooManyItems:
        return Fail(TError::TooManyItems);
    case TTextLineResult::BadNumber:
        return Fail(TError::BadNumber);
    case TTextLineResult::Record:
        if (!sink_(record_))
            return Fail(TError::Refused);
        ++records_;
        return;
    }
}

bool TTextTableReader::Feed(const char* data, size_t size) {
    if (error_ != TError::None || stopped_ || finished_)
        return false;
    // A zero byte ends the text. It is found by the search for line ends, and until then every
    // byte before p is known not to be one: "p < end && *p != 0" tells whether text is left.
    const char* p = data;
    const char* end = data + size;
    if (skipLf_ && p < end) {
        skipLf_ = false;
        if (*p == '\n') {
            ++p;
            ++completeBytes_;
        }
    }
    if (p < end && *p != 0)
        sawText_ = true;
    while (p < end && error_ == TError::None) {
        const char* eol = FindFirstOf(p, end, '\r', '\n', '\0');
        if (eol < end && *eol == 0) {
            end = eol;
            stopped_ = true;
        }
        if (eol == end) {
            // The first line is only told apart from a journal's header, so it needs no keeping
            // beyond that however long it is.
            if (inFirstLine_) {
                if (firstLine_.size() < kFirstLineKept)
                    firstLine_.append(
                        p, std::min(size_t(end - p), kFirstLineKept - firstLine_.size()));
            } else {
                if (pending_.size() + size_t(end - p) > kMaxLineBytes) {
                    ++lineNumber_;
                    Fail(TError::LineTooLong);
                    break;
                }
                pending_.append(p, size_t(end - p));
            }
            break;
        }
        if (pending_.empty()) {
            EndLine(p, eol);
        } else {
            if (pending_.size() + size_t(eol - p) > kMaxLineBytes) {
                ++lineNumber_;
                Fail(TError::LineTooLong);
                break;
            }
            pending_.append(p, size_t(eol - p));
            EndLine(pending_.data(), pending_.data() + pending_.size());
            pending_.clear();
        }
        p = eol + 1;
        if (*eol == '\r') {
            if (p < end) {
                if (*p == '\n')
                    ++p;
            } else {
                skipLf_ = true;
            }
        }
        if (error_ == TError::None)
            completeBytes_ = fed_ + (p - data);
        // A line has ended, so whatever follows begins a line of its own.
        if (p < end && *p != 0)
            sawText_ = true;
    }
    fed_ += int64_t(size);
    return error_ == TError::None && !stopped_;
}

bool TTextTableReader::Finish() {
    if (finished_)
        return error_ == TError::None;
    finished_ = true;
    if (error_ != TError::None)
        return false;
    if (lineNumber_ == 0 && !sawText_) {
        Fail(TError::Empty);
        return false;
    }
    if (journal_) {
        // A journal's last line without its ending was cut short: left out, never misread. So
        // is whatever follows a zero byte (a power cut can leave a zero-filled tail).
        tornEnd_ = !pending_.empty() || stopped_;
        pending_.clear();
        return true;
    }
    // A last line without an ending still counts.
    if (!pending_.empty() || (inFirstLine_ && sawText_)) {
        EndLine(pending_.data(), pending_.data() + pending_.size());
        pending_.clear();
    }
    return error_ == TError::None;
}
