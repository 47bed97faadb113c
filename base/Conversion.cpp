#include "base/Conversion.h"

#include "base/Ansi.h"
#include "base/Exceptions.h"

#include <limits>

namespace {

QString InvalidIntegerMessage(const QByteArray& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(AnsiToQString(text));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ParseInteger(QByteArrayView text, TIntegerText form) {
    const bool any = form == TIntegerText::Any;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || (any && text[i] == '+'))) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (any && i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > int64_t(std::numeric_limits<uint32_t>::max()) + 1)
            return std::nullopt;
    }
    if (base == 16) {
        // A hexadecimal text names a 32-bit pattern: "$FFFFFFFF" is -1.
        if (value > int64_t(std::numeric_limits<uint32_t>::max()))
            return std::nullopt;
        const auto bits = static_cast<int32_t>(static_cast<uint32_t>(value));
        return negative ? -bits : bits;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t StrToInt(const QByteArray& text) {
    if (const std::optional<int32_t> value = ParseInteger(text))
        return *value;
    throw EConvertError(InvalidIntegerMessage(text));
}

int32_t StrToIntOrZero(const QByteArray& text) {
    if (text.isEmpty() || text == "-" || text == "+")
        return 0;
    return StrToInt(text);
}
