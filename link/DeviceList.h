#pragma once
// The text of one HID device in the device list, and the choice of the interface cable in it.

#include <QString>
#include <QStringList>
#include <cstdint>

inline constexpr char16_t kCableProductText[] = u"USB to Serial";

// The product string, or "Device VID=%.4x PID=%.4x" without one; then " (Serial=%s)" when the
// device reports a serial number.
QString DeviceCaptionText(const QString& product, uint16_t vendorId, uint16_t productId,
                          const QString& serial);

// The last line that is exactly the cable's product text (a cable with a serial number is
// therefore never chosen); -1 when there is none.
int SelectCableLine(const QStringList& lines);
