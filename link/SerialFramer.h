#pragma once
// Framing of the serial meter's byte stream. Pure logic: no widgets, no port.
//
// A frame is the run of bytes up to and including a carriage return (0x0D); only the low four
// bits of each byte count, kept as one upper-case hex digit per byte. The meter's frame is eleven
// bytes: a first byte with low digit A (line feed), nine data digits, the carriage return. A frame
// is accepted when its first digit is "A" and its eleventh "D". A stream joined in the middle of a
// frame gives one rejected frame, then aligns itself.

#include <QByteArray>
#include <cstdint>
#include <optional>

// The digits kept for an unfinished frame stop growing here; only the first eleven count, so a
// line that never sends a carriage return costs no memory.
constexpr qsizetype kMaxSerialDigits = 64;

struct TSerialFrame {
    QByteArray FrameText; // digits 2 to 10 (fewer when the frame is shorter) followed by "DA"
    bool Accepted = false;
    QByteArray Digits; // the nine data digits (digits 2 to 10) when accepted
};

// Takes one byte. At a carriage return the frame closes: it is returned and serialDigits is
// emptied for the next frame. Otherwise the byte's low digit is appended and nullopt returned.
std::optional<TSerialFrame> FeedSerialByte(QByteArray& serialDigits, uint8_t byte);

// The logger frame (two hex digits per byte, the layout the frame decoder reads) that carries the
// nine data digits of an accepted serial frame: digits 1-3 the humidity (bytes 2-4), 4-6 the
// temperature (bytes 5-7), 7 the sign (byte 8), 8 the unit and dew-point flag (byte 14), 9 unused
// (byte 9, which the decoder does not read). The serial meter sends no time, so both time bytes
// are 0 and the time shows "00:00". Bytes 18 and 19 are the end marker 0D 0A.
QByteArray SerialDigitsToRxHex(const QByteArray& digits);
