#pragma once
// Upper-case hexadecimal text of bytes, as the link's traces and frames carry it ("%.2x").

#include <QByteArray>
#include <cstdint>

inline char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

// Appends the two digits of one byte.
inline void AppendHexByte(QByteArray& text, uint8_t byte) {
    text.append(HexDigit(byte >> 4));
    text.append(HexDigit(byte));
}
