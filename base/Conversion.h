#pragma once
// Strict text-to-integer conversions. Texts are the program's 8-bit strings (QByteArray).

#include <QByteArray>
#include <cstdint>

// Optional sign then decimal digits, or "$" then hexadecimal digits; anything else (the empty text,
// a lone sign, spaces, other characters, a value outside 32 bits) raises EConvertError with
// "'<text>' is not a valid integer value".
int32_t StrToInt(const QByteArray& text);

// As StrToInt, but "-", "+" and the empty text count as 0 (the edit boxes that accept a sign).
int32_t StrToIntOrZero(const QByteArray& text);

// The conversion error's message for a text.
QString InvalidIntegerMessage(const QByteArray& text);
