#include "base/Ansi.h"

#include <array>

namespace {

// Windows-1252 code points for 0x80..0x9F; the other bytes map to the same Latin-1 code point.
// The five undefined bytes keep their C1 control code point so that they still round-trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString AnsiToQString(const QByteArray& bytes) {
    QString out;
    out.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray QStringToAnsi(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (size_t k = 0; k < kHigh.size(); ++k) {
            if (kHigh[k] == u) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}
