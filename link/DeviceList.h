#pragma once
// The device list of the HID interfaces a controller enumerates, as the window and rx47-cli both
// keep it: one line of text per device with the device checked out, and the choice of the
// interface cable among the lines.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class THidDevice;
class THidDeviceController;

inline constexpr char16_t kCableProductText[] = u"USB to Serial";

// The product string, or "Device VID=%.4x PID=%.4x" without one; then " (Serial=%s)" when the
// device reports a serial number.
QString DeviceCaptionText(const QString& product, uint16_t vendorId, uint16_t productId,
                          const QString& serial);

// DeviceCaptionText of a device.
QString ListedDeviceCaption(THidDevice& device);

struct TListedDevice {
    QString caption;
    std::unique_ptr<THidDevice> device; // null when it could not be checked out
};

// What the list makes of the device the controller's enumeration offers at `index`: its line,
// and the device checked out for the list to own. The lines and the devices stay parallel.
TListedDevice ListDevice(THidDeviceController& controller, THidDevice& offered, int32_t index);

// The last line that is exactly the cable's product text (a cable with a serial number is
// therefore never chosen); -1 when there is none.
int SelectCableLine(const QStringList& lines);
