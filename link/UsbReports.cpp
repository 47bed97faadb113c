#include "link/UsbReports.h"

#include "link/HexText.h"

#include <algorithm>

QByteArray BuildOutputReport(uint8_t byte1, uint8_t byte2, int length) {
    // A device whose output report is longer than the buffer gets the buffer's 65 bytes.
    QByteArray buffer(kReportBufferSize, '\0');
    buffer[1] = char(byte1);
    buffer[2] = char(byte2);
    buffer.truncate(std::clamp(length, 0, kReportBufferSize));
    return buffer;
}

uint32_t BaudRateFromBoxes(bool b2400, bool b4800, bool b9600) {
    uint32_t rate = 0;
    if (b9600)
        rate = 9600;
    if (b4800)
        rate = 4800;
    if (b2400)
        rate = 2400;
    return rate;
}

QByteArray BuildFeatureReport(uint32_t baudRate) {
    QByteArray report(kFeatureReportSize, '\0');
    for (int i = 0; i < 4; ++i)
        report[1 + i] = char((baudRate >> (8 * i)) & 0xFF);
    report[5] = 0x03;
    return report;
}

QByteArray SentReportTrace(QByteArrayView report, int bytesSent) {
    QByteArray text;
    const qsizetype end = std::min<qsizetype>(bytesSent, report.size());
    for (qsizetype i = 1; i < end; ++i) {
        AppendHexByte(text, uint8_t(report[i]));
        text.append(' ');
    }
    return text;
}
