#include "hid/linux/UdevHidRecord.h"

#include <QList>

namespace {
std::optional<uint32_t> Hex(const QByteArray& text, uint32_t limit) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 16);
    if (!ok || text.isEmpty() || value > limit)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<QString> NonEmpty(const std::optional<QByteArray>& text) {
    if (!text)
        return std::nullopt;
    const QByteArray trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return QString::fromUtf8(trimmed);
}
} // namespace

std::optional<THidIdNumbers> ParseHidId(const QByteArray& hidId) {
    const QList<QByteArray> fields = hidId.trimmed().split(':');
    if (fields.size() != 3)
        return std::nullopt;
    const auto bus = Hex(fields[0], 0xFFFF);
    const auto vendor = Hex(fields[1], 0xFFFF);
    const auto product = Hex(fields[2], 0xFFFF);
    if (!bus || !vendor || !product)
        return std::nullopt;
    return THidIdNumbers{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor),
                         static_cast<uint16_t>(*product)};
}

QByteArray BusName(uint16_t bus) {
    switch (bus) {
    case 0x03:
        return "USB";
    case 0x05:
        return "BLUETOOTH";
    case 0x06:
        return "VIRTUAL";
    case 0x18:
        return "I2C";
    case 0x1C:
        return "SPI";
    default:
        return "HID";
    }
}

std::optional<QString> ProductStringOf(const TUdevHidRecord& record) {
    return record.onUsb ? NonEmpty(record.usbProduct) : NonEmpty(record.hidName);
}

std::optional<QString> SerialStringOf(const TUdevHidRecord& record) {
    return record.onUsb ? NonEmpty(record.usbSerial) : NonEmpty(record.hidUniq);
}

uint16_t VersionNumberOf(const TUdevHidRecord& record) {
    if (!record.usbBcdDevice)
        return 0;
    return static_cast<uint16_t>(Hex(record.usbBcdDevice->trimmed(), 0xFFFF).value_or(0));
}
