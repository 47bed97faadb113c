#include "records/JournalFormat.h"

#include <QDateTime>
#include <cstring>

namespace {

constexpr char kHeader[] = "No\tTime\t%RH\tTemp\tUnit\tReceived";
constexpr int64_t kQuarterMs = 15 * 60 * 1000;
constexpr int64_t kDayMs = 24 * 3600 * 1000;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int64_t(yoe) + era * 400 + (m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

char* Digits(char* p, int64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = char('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

bool ReadDigits(const char* p, int width, int& value) {
    value = 0;
    for (int i = 0; i < width; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        value = value * 10 + (p[i] - '0');
    }
    return true;
}

bool NeedsQuotes(const QByteArray& text) {
    if (text.isEmpty())
        return true;
    for (const char c : text) {
        const auto b = uint8_t(c);
        if ((b >= 1 && b <= 32) || b == '"')
            return true;
    }
    return false;
}

void AppendText(QByteArray& out, const std::optional<QByteArray>& text) {
    if (!text) {
        out.append("NULL", 4);
        return;
    }
    if (!NeedsQuotes(*text)) {
        out.append(*text);
        return;
    }
    out.append('"');
    for (const char c : *text) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

} // namespace

QByteArray JournalHeader() {
    return QByteArray(kHeader) + "\r\n";
}

bool IsJournalHeader(const char* begin, const char* end) {
    const size_t n = sizeof(kHeader) - 1;
    return size_t(end - begin) == n && std::memcmp(begin, kHeader, n) == 0;
}

void AppendReceivedText(QByteArray& out, TReceivedTime received, int32_t utcOffsetSeconds) {
    const int64_t local = received + int64_t(utcOffsetSeconds) * 1000;
    const int64_t days = FloorDiv(local, kDayMs);
    const int64_t msOfDay = local - days * kDayMs;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[32];
    char* p = text;
    p = Digits(p, year, 4);
    *p++ = '-';
    p = Digits(p, month, 2);
    *p++ = '-';
    p = Digits(p, day, 2);
    *p++ = 'T';
    p = Digits(p, msOfDay / 3600000, 2);
    *p++ = ':';
    p = Digits(p, msOfDay / 60000 % 60, 2);
    *p++ = ':';
    p = Digits(p, msOfDay / 1000 % 60, 2);
    *p++ = '.';
    p = Digits(p, msOfDay % 1000, 3);
    const int32_t offsetMinutes = utcOffsetSeconds / 60;
    *p++ = offsetMinutes < 0 ? '-' : '+';
    const int32_t absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    p = Digits(p, absolute / 60, 2);
    *p++ = ':';
    p = Digits(p, absolute % 60, 2);
    out.append(text, p - text);
}

std::optional<TReceivedTime> ParseReceivedText(const char* t, size_t size) {
    // yyyy-MM-ddTHH:mm:ss.zzz then +HH:MM, -HH:MM or Z
    if (size != 29 && size != 24)
        return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    if (!ReadDigits(t, 4, year) || t[4] != '-' || !ReadDigits(t + 5, 2, month) || t[7] != '-' ||
        !ReadDigits(t + 8, 2, day) || t[10] != 'T' || !ReadDigits(t + 11, 2, hour) ||
        t[13] != ':' || !ReadDigits(t + 14, 2, minute) || t[16] != ':' ||
        !ReadDigits(t + 17, 2, second) || t[19] != '.' || !ReadDigits(t + 20, 3, ms))
        return std::nullopt;
    int offsetMinutes = 0;
    if (size == 24) {
        if (t[23] != 'Z')
            return std::nullopt;
    } else {
        int oh = 0, om = 0;
        if ((t[23] != '+' && t[23] != '-') || !ReadDigits(t + 24, 2, oh) || t[26] != ':' ||
            !ReadDigits(t + 27, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = (t[23] == '-' ? -1 : 1) * (oh * 60 + om);
    }
    static constexpr int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kMonthDays[month - 1] ||
        (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const int64_t days = DaysFromCivil(year, unsigned(month), unsigned(day));
    const int64_t local =
        days * kDayMs + int64_t(hour) * 3600000 + minute * 60000 + int64_t(second) * 1000 + ms;
    const TReceivedTime received = local - int64_t(offsetMinutes) * 60000;
    if (received == kNoReceivedTime)
        return std::nullopt; // the epoch itself stands for "none" in the table
    return received;
}

int32_t TJournalLineFormatter::OffsetAt(TReceivedTime received) {
    const int64_t quarter = FloorDiv(received, kQuarterMs);
    if (quarter != cachedQuarter_) {
        cachedQuarter_ = quarter;
        cachedOffset_ = QDateTime::fromMSecsSinceEpoch(quarter * kQuarterMs).offsetFromUtc();
    }
    return cachedOffset_;
}

void TJournalLineFormatter::Format(const TRecord& record, QByteArray& line) {
    line.resize(0); // keeps the capacity
    if (record.No)
        line.append(QByteArray::number(*record.No));
    else
        line.append("NULL", 4); // never written by the window; reads back as a failed line
    for (const auto& text : record.Text) {
        line.append('\t');
        AppendText(line, text);
    }
    line.append('\t');
    if (record.Received != kNoReceivedTime)
        AppendReceivedText(line, record.Received, OffsetAt(record.Received));
    else
        line.append("NULL", 4);
    line.append("\r\n", 2);
}
