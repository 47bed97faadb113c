// udev properties to the transport's identity strings and numbers.

#include "hid/linux/UdevHidRecord.h"

#include <gtest/gtest.h>

namespace {

TEST(UdevHidRecordTest, HidIdGivesBusVendorAndProduct) {
    const auto numbers = ParseHidId("0003:00001A86:0000E008");
    ASSERT_TRUE(numbers);
    EXPECT_EQ(numbers->bus, 3);
    EXPECT_EQ(numbers->vendor, 0x1A86);
    EXPECT_EQ(numbers->product, 0xE008);
    EXPECT_EQ(BusName(numbers->bus), "USB");
    EXPECT_EQ(BusName(0x05), "BLUETOOTH");
    for (const char* bad :
         {"", "0003:00001A86", "0003:XYZ:0000E008", "0003:000100000:0001", "0003:1:2:3"})
        EXPECT_FALSE(ParseHidId(bad)) << bad;
}

TEST(UdevHidRecordTest, UsbInterfaceUsesItsUsbDeviceStrings) {
    TUdevHidRecord record;
    record.onUsb = true;
    record.hidName = "QinHeng USB to Serial";
    record.hidUniq = "ignored";
    record.usbProduct = QByteArray("USB to Serial\n");
    record.usbSerial = QByteArray("0001A2");
    record.usbBcdDevice = QByteArray("0110");
    EXPECT_EQ(ProductStringOf(record), QString("USB to Serial"));
    EXPECT_EQ(SerialStringOf(record), QString("0001A2"));
    EXPECT_EQ(VersionNumberOf(record), 0x0110);
}

TEST(UdevHidRecordTest, UsbDeviceWithoutStringsHasNone) {
    TUdevHidRecord record;
    record.onUsb = true;
    record.hidName = "HID 1a86:e008";
    record.usbSerial = QByteArray("   ");
    EXPECT_FALSE(ProductStringOf(record)) << "no fallback on the kernel's made-up name";
    EXPECT_FALSE(SerialStringOf(record));
    EXPECT_EQ(VersionNumberOf(record), 0);
}

TEST(UdevHidRecordTest, OtherBusesUseTheHidProperties) {
    TUdevHidRecord record;
    record.hidName = "Wireless Keyboard";
    record.hidUniq = "aa:bb:cc:dd:ee:ff";
    EXPECT_EQ(ProductStringOf(record), QString("Wireless Keyboard"));
    EXPECT_EQ(SerialStringOf(record), QString("aa:bb:cc:dd:ee:ff"));
    record.hidUniq.clear();
    EXPECT_FALSE(SerialStringOf(record));
}

TEST(UdevHidRecordTest, StringsAreUtf8) {
    TUdevHidRecord record;
    record.onUsb = true;
    record.usbProduct = QByteArray("Thermom\xC3\xA8tre");
    EXPECT_EQ(ProductStringOf(record), QString::fromUtf8("Thermom\xC3\xA8tre"));
}

} // namespace
