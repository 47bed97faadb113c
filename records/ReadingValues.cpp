#include "records/ReadingValues.h"

#include <cmath>

std::optional<double> ParseReadingNumber(QByteArrayView text) {
    // The readout writes sign, up to three digits with blanks dropped, the separator and the
    // tenths digit; "%RH" may follow. Anything else is not a reading.
    if (text.endsWith("%RH"))
        text.chop(3);
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    double whole = 0, fraction = 0, scale = 1;
    int digits = 0;
    bool afterSeparator = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
            if (afterSeparator) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else if ((c == '.' || c == ',') && !afterSeparator) {
            afterSeparator = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // Tenths are exact as text; rounding to them keeps 45.3 from coming back as 45.300000001.
    const double value = std::round((whole + fraction) * 1e6) / 1e6;
    return negative ? -value : value;
}

std::optional<double> QuantityValue(const TRecordTable& table, int64_t row, TQuantity quantity) {
    const auto text =
        table.TextAt(row, quantity == TQuantity::Humidity ? TField::Value : TField::Range);
    if (!text)
        return std::nullopt;
    return ParseReadingNumber(*text);
}

TTemperatureUnit UnitOf(QByteArrayView unitText) {
    if (unitText.endsWith('#'))
        return TTemperatureUnit::Celsius;
    if (unitText.endsWith('?'))
        return TTemperatureUnit::Fahrenheit;
    return TTemperatureUnit::Unknown;
}

bool IsDewPoint(QByteArrayView unitText) {
    return unitText.startsWith("DEW");
}
