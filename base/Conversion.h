#pragma once
// Strict text-to-integer conversions. Texts are the program's 8-bit strings (QByteArray).

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

// The texts a conversion takes.
enum class TIntegerText {
    Any,    // optional sign, then decimal digits or "$" and hexadecimal digits (StrToInt's)
    Written // optional '-', then decimal digits: a number as the program writes it into files
};

// The one integer parser: the text's 32-bit value, or nullopt for anything else (the empty text, a
// lone sign, spaces, other characters, a value outside 32 bits). Leading zeros are allowed.
std::optional<int32_t> ParseInteger(QByteArrayView text, TIntegerText form = TIntegerText::Any);

// ParseInteger's value; anything it refuses raises EConvertError with
// "'<text>' is not a valid integer value".
int32_t StrToInt(const QByteArray& text);

// As StrToInt, but "-", "+" and the empty text count as 0 (the edit boxes that accept a sign).
int32_t StrToIntOrZero(const QByteArray& text);
