#include "link/DeviceList.h"

#include <gtest/gtest.h>

namespace {

struct CaptionCase {
    const char16_t* product;
    uint16_t vendor, productId;
    const char16_t* serial;
    const char16_t* caption;
};

class DeviceCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(DeviceCaptionTest, ProductOrNumbersThenSerial) {
    const CaptionCase& c = GetParam();
    EXPECT_EQ(DeviceCaptionText(QString::fromUtf16(c.product), c.vendor, c.productId,
                                QString::fromUtf16(c.serial)),
              QString::fromUtf16(c.caption));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceCaptionTest,
    ::testing::Values(CaptionCase{u"USB to Serial", 0x1A86, 0xE008, u"", u"USB to Serial"},
                      CaptionCase{u"", 0x1234, 0xABCD, u"", u"Device VID=1234 PID=ABCD"},
                      CaptionCase{u"", 0x000a, 0x0001, u"", u"Device VID=000A PID=0001"},
                      CaptionCase{u"USB to Serial", 1, 2, u"0042", u"USB to Serial (Serial=0042)"},
                      CaptionCase{u"", 0x1234, 0xABCD, u"x",
                                  u"Device VID=1234 PID=ABCD (Serial=x)"}));

TEST(SelectCableLine, LastExactMatchWins) {
    EXPECT_EQ(SelectCableLine({}), -1);
    EXPECT_EQ(SelectCableLine({"Keyboard", "Mouse"}), -1);
    EXPECT_EQ(SelectCableLine({"USB to Serial", "Mouse", "USB to Serial", "Keyboard"}), 2);
    EXPECT_EQ(SelectCableLine({"USB to Serial (Serial=1)", "usb to serial", "USB to Serial "}), -1);
}

} // namespace
