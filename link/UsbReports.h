#pragma once
// The reports the program sends to the interface cable, and the trace lines the history shows for
// them. Pure logic: the window passes them to the device.
//
// Output (command) report, built in a zero-filled 65-byte buffer and sent with the device's
// output report length L:
//   0  report ID 0
//   1  number of bytes for the serial line (0x01 for one command byte)
//   2  the byte(s)
//   3 … L-1  zero
// Feature report (serial line setting), 10 bytes:
//   0  report ID 0
//   1-4 baud rate, unsigned 32-bit little-endian (2400 = 60 09 00 00)
//   5  0x03
//   6-9 zero

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

inline constexpr int kReportBufferSize = 65; // report ID and 64 bytes
inline constexpr int kFeatureReportSize = 10;

// An output report of `length` bytes (clamped to 0 … 65): ID 0, then byte1 and byte2.
QByteArray BuildOutputReport(uint8_t byte1, uint8_t byte2, int length);
// The report that carries one command byte to the logger.
inline QByteArray BuildCommandReport(uint8_t command, int length) {
    return BuildOutputReport(0x01, command, length);
}

// The lowest ticked rate wins; none ticked gives 0.
uint32_t BaudRateFromBoxes(bool b2400, bool b4800, bool b9600);
QByteArray BuildFeatureReport(uint32_t baudRate);

// The bytes after the report ID, "%.2x " each: for an output report bytes 1 … written-1 (nothing
// when the write failed), for a feature report bytes 1 … 9.
QByteArray SentReportTrace(QByteArrayView report, int bytesSent);
