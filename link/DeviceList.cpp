#include "link/DeviceList.h"

#include "hid/HidControllerClass.h"

namespace {

// "%.4x": four upper-case hexadecimal digits.
QString Hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString DeviceCaptionText(const QString& product, uint16_t vendorId, uint16_t productId,
                          const QString& serial) {
    QString text = product;
    if (text.isEmpty()) {
        text = QStringLiteral("Device VID=%1 PID=%2").arg(Hex4(vendorId), Hex4(productId));
    }
    if (!serial.isEmpty())
        text += QStringLiteral(" (Serial=%1)").arg(serial);
    return text;
}

QString ListedDeviceCaption(THidDevice& device) {
    return DeviceCaptionText(device.GetProductText(), device.IdentityRecord().VendorID,
                             device.IdentityRecord().ProductID, device.GetSerialText());
}

TListedDevice ListDevice(THidDeviceController& controller, THidDevice& offered, int32_t index) {
    TListedDevice listed;
    listed.caption = ListedDeviceCaption(offered);
    THidDevice* claimed = nullptr;
    controller.ClaimDeviceAt(claimed, index);
    listed.device.reset(claimed);
    return listed;
}

int SelectCableLine(const QStringList& lines) {
    int selected = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i] == QStringView(kCableProductText))
            selected = i;
    }
    return selected;
}
