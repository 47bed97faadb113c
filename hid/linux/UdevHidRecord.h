#pragma once
// What udev tells about a hidraw interface, and how the transport's identity strings and numbers
// come out of it. The strings of a USB interface are its USB device's own descriptors (sysfs
// attributes "product", "serial", "manufacturer", "bcdDevice"; a USB device without a product
// string has none, as on any other system); an interface on another bus uses the HID device's
// properties HID_NAME and HID_UNIQ.
// Pure functions; the backend fills the record.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct TUdevHidRecord {
    QByteArray hidId;      // HID_ID: "BBBB:VVVVVVVV:PPPPPPPP", hexadecimal
    QByteArray hidName;    // HID_NAME
    QByteArray hidUniq;    // HID_UNIQ
    QByteArray hidPhys;    // HID_PHYS
    QByteArray hidSysPath; // the HID device (parent of the hidraw node), for report_descriptor
    bool onUsb = false;    // a USB device was found above the interface
    std::optional<QByteArray> usbProduct;
    std::optional<QByteArray> usbSerial;
    std::optional<QByteArray> usbManufacturer;
    std::optional<QByteArray> usbBcdDevice;
};

struct THidIdNumbers {
    uint16_t bus = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// nullopt when the text is not three hexadecimal fields separated by colons.
std::optional<THidIdNumbers> ParseHidId(const QByteArray& hidId);
// "USB", "BLUETOOTH", "I2C", ... for the bus number of HID_ID.
QByteArray BusName(uint16_t bus);
// nullopt: the interface has no such string (the request fails).
std::optional<QString> ProductStringOf(const TUdevHidRecord& record);
std::optional<QString> SerialStringOf(const TUdevHidRecord& record);
// The USB device's release number (bcdDevice), 0 when unknown.
uint16_t VersionNumberOf(const TUdevHidRecord& record);
