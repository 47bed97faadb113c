// The hint for a cable that is listed but refused read-write access.

#include "hid/HidAccessHint.h"
#include "hid/HidControllerClass.h"
#include "sim/SimHidBus.h"

#include <gtest/gtest.h>

namespace {

TSimHidInterface Cable(TSimOpenFailure failure) {
    TSimHidInterface cable;
    cable.product = u"USB to Serial";
    cable.serial = u"";
    cable.vendorId = 0x1A86;
    cable.productId = 0xE008;
    cable.inputReportLength = 9;
    cable.outputReportLength = 9;
    cable.featureReportLength = 10;
    cable.openFailure = failure;
    return cable;
}

TEST(HidAccessHint, OnlyAPermissionRefusalCounts) {
    TSimHidBus bus;
    const uint32_t refused = bus.Plug(Cable(TSimOpenFailure::ReadWrite));
    bus.Plug(Cable(TSimOpenFailure::None));
    THidDeviceController controller(&bus);
    controller.DeviceChange();
    std::vector<std::unique_ptr<THidDevice>> devices;
    for (int32_t index = 0; index < 2; ++index) {
        THidDevice* device = nullptr;
        ASSERT_TRUE(controller.ClaimDeviceAt(device, index));
        devices.emplace_back(device);
    }
    EXPECT_TRUE(HidAccessDenied(*devices[0]));
    EXPECT_FALSE(HidAccessDenied(*devices[1]));
    EXPECT_EQ(devices[1]->ReadWriteOpenError(), 0u);

    const QString message = HidAccessDeniedMessage(TSimHidBus::PathOf(refused));
    EXPECT_TRUE(message.startsWith("The USB interface cable (sim:"));
    EXPECT_TRUE(message.contains("70-rx47.rules"));
    EXPECT_TRUE(message.contains("sudo udevadm control --reload-rules"));
    devices.clear();
}

} // namespace
