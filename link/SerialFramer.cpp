#include "link/SerialFramer.h"

namespace {

char LowDigit(uint8_t byte) {
    return "0123456789ABCDEF"[byte & 0x0F];
}

// A digit byte as the meter sends it: ASCII-like, the digit in the low four bits.
QByteArray DigitByte(char digit) {
    return QByteArray("3") + digit;
}

} // namespace

std::optional<TSerialFrame> FeedSerialByte(QByteArray& serialDigits, uint8_t byte) {
    if (byte != 0x0D) {
        if (serialDigits.size() < kMaxSerialDigits)
            serialDigits.append(LowDigit(byte));
        return std::nullopt;
    }
    if (serialDigits.size() < kMaxSerialDigits)
        serialDigits.append('D');

    TSerialFrame frame;
    frame.FrameText = serialDigits.mid(1, 9) + "DA";
    frame.Accepted = serialDigits.size() >= 11 && serialDigits[0] == 'A' && serialDigits[10] == 'D';
    if (frame.Accepted)
        frame.Digits = serialDigits.mid(1, 9);
    serialDigits.clear();
    return frame;
}

QByteArray SerialDigitsToRxHex(const QByteArray& digits) {
    const auto digit = [&](int n) { return n <= digits.size() ? digits[n - 1] : '0'; };
    QByteArray rx = "0A"; // byte 1, not read
    for (int n = 1; n <= 7; ++n)
        rx += DigitByte(digit(n)); // bytes 2-8: humidity, temperature, sign
    rx += DigitByte(digit(9));     // byte 9: the unused digit, kept for the record
    rx += "00000000";              // bytes 10-13
    rx += DigitByte(digit(8));     // byte 14: unit and dew point
    rx += "00";                    // byte 15
    rx += "0000";                  // bytes 16-17: no time from the serial meter
    rx += "0D0A";                  // bytes 18-19: end marker
    return rx;
}
