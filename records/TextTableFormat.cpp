#include "records/TextTableFormat.h"

#include "app/Conversion.h"
#include "app/Exceptions.h"
#include "records/AnsiCodePage.h"

#include <cstring>
#include <optional>

namespace {

constexpr char kNull[] = "NULL";
// The grid's column captions in column order (the display label of Value, the title of DC/AC).
constexpr char kHeader[] = "No\tTime\t%RH\tTemp\tUnit\r\n";

inline bool IsSeparator(uint8_t c) {
    return c >= 1 && c <= 32;
}

void AppendTrimmedOrNull(QByteArray& out, const std::optional<QByteArray>& text) {
    if (text) {
        const char* b = text->constData();
        const char* e = b + text->size();
        while (b < e && uint8_t(*b) <= 32)
            ++b;
        while (e > b && uint8_t(e[-1]) <= 32)
            --e;
        if (b < e) {
            out.append(b, e - b);
            return;
        }
    }
    out.append(kNull, 4);
}

// Plain decimal digits with an optional sign are the common case and need no exception; every
// other form goes through the program's strict conversion, so both agree on what is a number.
std::optional<int32_t> ToInteger(const char* p, size_t n) {
    size_t i = 0;
    bool negative = false;
    if (n > 0 && (p[0] == '-' || p[0] == '+')) {
        negative = p[0] == '-';
        i = 1;
    }
    if (i < n && n - i <= 9) {
        int32_t value = 0;
        size_t k = i;
        for (; k < n && p[k] >= '0' && p[k] <= '9'; ++k)
            value = value * 10 + (p[k] - '0');
        if (k == n)
            return negative ? -value : value;
    }
    try {
        return StrToInt(QByteArray(p, qsizetype(n)));
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

void SetText(std::optional<QByteArray>& field, const TTextItem& item) {
    const size_t n = std::min<size_t>(item.size, kTextFieldWidth);
    if (!field)
        field.emplace();
    // Reusing the buffer saves an allocation per field while nothing else shares it.
    field->resize(qsizetype(n));
    if (n)
        std::memcpy(field->data(), item.data, n);
}

} // namespace

QByteArray TextTableHeader() {
    return QByteArray(kHeader);
}

void AppendTextTableLine(QByteArray& out, const TRecord& record) {
    if (record.No)
        out.append(QByteArray::number(*record.No));
    for (const auto& text : record.Text) {
        out.append('\t');
        AppendTrimmedOrNull(out, text);
    }
    out.append("\r\n", 2);
}

void SplitTextTableItems(const char* begin, const char* end, size_t maxItems,
                         std::vector<TTextItem>& items, std::string& scratch) {
    items.clear();
    scratch.clear();
    // Decoded quoted items never outgrow the line, so the items' pointers stay valid.
    bool reserved = false;
    const char* p = begin;
    while (p < end && IsSeparator(uint8_t(*p)))
        ++p;
    while (p < end && items.size() <= maxItems) {
        if (*p == '"') {
            if (!reserved) {
                scratch.reserve(size_t(end - begin));
                reserved = true;
            }
            const size_t start = scratch.size();
            ++p;
            while (p < end) {
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') {
                        scratch.push_back('"');
                        p += 2;
                        continue;
                    }
                    ++p; // the closing quote
                    break;
                }
                const size_t n = AnsiCharSize(p, end);
                scratch.append(p, n);
                p += n;
            }
            items.push_back({scratch.data() + start, scratch.size() - start});
        } else {
            const char* start = p;
            while (p < end && uint8_t(*p) > 32)
                p += AnsiCharSize(p, end);
            items.push_back({start, size_t(p - start)});
        }
        while (p < end && IsSeparator(uint8_t(*p)))
            ++p;
    }
}

TTextLineResult ParseTextTableLine(const char* begin, const char* end, TRecord& record) {
    thread_local std::vector<TTextItem> items;
    thread_local std::string scratch;
    SplitTextTableItems(begin, end, kFieldCount, items, scratch);
    if (items.empty())
        return TTextLineResult::Blank;
    if (items.size() > size_t(kFieldCount))
        return TTextLineResult::TooManyItems;
    record.No = ToInteger(items[0].data, items[0].size);
    if (!record.No)
        return TTextLineResult::BadNumber;
    for (size_t i = 0; i < record.Text.size(); ++i) {
        if (i + 1 < items.size())
            SetText(record.Text[i], items[i + 1]);
        else
            record.Text[i].reset();
    }
    return TTextLineResult::Record;
}

TTextTableReader::TTextTableReader(TSink sink) : sink_(std::move(sink)) {}

void TTextTableReader::EndLine(const char* begin, const char* end) {
    ++lineNumber_;
    if (inFirstLine_) {
        inFirstLine_ = false; // the header, whatever it holds
        return;
    }
    switch (ParseTextTableLine(begin, end, record_)) {
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
        return error_ == TError::None;
    if (const void* zero = std::memchr(data, 0, size)) {
        size = size_t(static_cast<const char*>(zero) - data);
        stopped_ = true;
    }
    const char* p = data;
    const char* end = data + size;
    if (skipLf_ && p < end) {
        skipLf_ = false;
        if (*p == '\n')
            ++p;
    }
    if (p < end)
        sawText_ = true;
    while (p < end && error_ == TError::None) {
        const char* eol = p;
        while (eol < end && *eol != '\r' && *eol != '\n')
            ++eol;
        if (eol == end) {
            // The first line is never examined, so it needs no keeping however long it is.
            if (!inFirstLine_) {
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
        // A line has ended, so whatever follows begins a line of its own.
        if (p < end)
            sawText_ = true;
    }
    return error_ == TError::None;
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
    // A last line without an ending still counts.
    if (!pending_.empty() || (inFirstLine_ && sawText_)) {
        EndLine(pending_.data(), pending_.data() + pending_.size());
        pending_.clear();
    }
    return error_ == TError::None;
}
