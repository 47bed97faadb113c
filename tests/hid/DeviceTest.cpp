// One device on the simulated bus: access, identity strings, capabilities, reports, sleep time,
// release and its replacement.

#include "HidTestSupport.h"

namespace {

class DeviceTest : public HidBusTest {
protected:
    // Plugs one interface, makes the controller and checks out its device.
    THidDevice* PlugAndClaim(const TSimHidInterface& description) {
        id = bus.Plug(description);
        MakeController();
        THidDevice* device = nullptr;
        EXPECT_TRUE(controller->ClaimDeviceAt(device, 0));
        claimed.emplace_back(device);
        return device;
    }
    uint32_t id = 0;
};

TEST_F(DeviceTest, ReadOnlyDeviceCanBeQueriedButNotRead) {
    auto model = std::make_shared<TScriptedSimModel>();
    TSimHidInterface description = CableInterface(model);
    description.openFailure = TSimOpenFailure::ReadWrite;
    THidDevice* device = PlugAndClaim(description);
    EXPECT_FALSE(device->ReadWriteAccess());
    EXPECT_EQ(device->GetProductText(), "USB to Serial");
    EXPECT_EQ(device->VendorID(), 0x1A86);
    THidCaps caps;
    device->ReadCaps(caps);
    EXPECT_EQ(caps.OutputReportByteLength, 9);
    device->SetDataHandler(
        THidDataEvent::WithCode(&id, [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {}));
    EXPECT_FALSE(device->HasReader());
    const uint8_t report[9] = {0, 1, 0x5A};
    uint32_t written = 99;
    EXPECT_FALSE(device->WriteReport(report, sizeof(report), written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(model->Outputs().empty());
}

TEST_F(DeviceTest, SleepTimeAcceptsTenToTenThousand) {
    THidDevice* device = PlugAndClaim(CableInterface());
    struct Case {
        int32_t value;
        int32_t expected;
    };
    for (const Case c : {Case{5, 100}, Case{20000, 100}, Case{9, 100}, Case{10, 10},
                         Case{10001, 10}, Case{10000, 10000}}) {
        device->SetSleepTime(c.value);
        EXPECT_EQ(device->SleepTime(), c.expected) << c.value;
    }
}

TEST_F(DeviceTest, ProductTextNeedsAccessUnlessCached) {
    bus.Plug(CableInterface());
    bus.Plug(CableInterface(nullptr, u"Second"));
    MakeController();
    THidDevice* unread = controller->Devices()[0];
    EXPECT_EQ(unread->GetProductText(), "") << "neither checked out nor inside an event";
    EXPECT_EQ(unread->GetSerialText(), "");
    controller->OnEnumerate = THidEnumerateEvent::WithCode(&id, [](THidDevice* device, int32_t) {
        device->GetProductText();
        return true;
    });
    controller->EnumerateDevices();
    EXPECT_EQ(controller->Devices()[1]->GetProductText(), "Second") << "cached in the event";
    EXPECT_EQ(bus.OpenHandles(2), 0);
}

TEST_F(DeviceTest, ProductStringFailureGivesEmptyText) {
    TSimHidInterface description = CableInterface();
    description.product.reset();
    description.vendorId = 0x1234;
    description.productId = 0xABCD;
    THidDevice* device = PlugAndClaim(description);
    EXPECT_EQ(device->GetProductText(), "");
    EXPECT_EQ(device->VendorID(), 0x1234);
    EXPECT_EQ(device->ProductID(), 0xABCD);
    EXPECT_EQ(device->VersionNumber(), 0x0100);
}

struct SerialCase {
    const char* name;
    std::optional<std::u16string> serial;
    std::optional<std::u16string> string0;
    QString expected;
};

class SerialTextTest : public DeviceTest, public testing::WithParamInterface<SerialCase> {};

TEST_P(SerialTextTest, SerialIsCheckedAgainstTheLanguageTable) {
    TSimHidInterface description = CableInterface();
    description.serial = GetParam().serial;
    description.string0 = GetParam().string0;
    THidDevice* device = PlugAndClaim(description);
    EXPECT_EQ(device->GetSerialText(), GetParam().expected);
    EXPECT_EQ(bus.OpenHandles(id), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, SerialTextTest,
    testing::Values(SerialCase{"Genuine", u"A1B2C3", u"\u0409", "A1B2C3"},
                    SerialCase{"LanguageTableAsSerial", u"\u0409", u"\u0409", ""},
                    SerialCase{"TwoLanguagesAsSerial", u"\u0409\u0407", u"\u0409\u0407", ""},
                    SerialCase{"DiffersInSecondLanguage", u"\u0409X", u"\u0409\u0407",
                               QString::fromUtf16(u"\u0409X")},
                    SerialCase{"StringZeroUnreadable", u"A1B2C3", std::nullopt, ""},
                    SerialCase{"StringZeroEmpty", u"A1B2C3", u"", ""},
                    SerialCase{"NoSerial", std::nullopt, u"\u0409", ""}),
    [](const testing::TestParamInfo<SerialCase>& param) { return param.param.name; });

TEST_F(DeviceTest, WriteAndFeatureReportsReachTheDevice) {
    auto model = std::make_shared<TScriptedSimModel>();
    THidDevice* device = PlugAndClaim(CableInterface(model));
    const uint8_t feature[10] = {0, 0x60, 0x09, 0, 0, 0x03};
    EXPECT_TRUE(device->SetFeatureReport(feature, sizeof(feature)));
    const uint8_t output[9] = {0, 0x01, 0x5A};
    uint32_t written = 0;
    EXPECT_TRUE(device->WriteReport(output, sizeof(output), written));
    EXPECT_EQ(written, 9u);
    ASSERT_EQ(model->Features().size(), 1u);
    EXPECT_EQ(model->Features()[0], QByteArray(reinterpret_cast<const char*>(feature), 10));
    ASSERT_EQ(model->Outputs().size(), 1u);
    EXPECT_EQ(model->Outputs()[0], QByteArray(reinterpret_cast<const char*>(output), 9));
    EXPECT_EQ(bus.OpenHandles(id), 1) << "the query handle stays open after reports";

    model->SetAcceptOutput(false);
    model->SetAcceptFeature(false);
    EXPECT_FALSE(device->WriteReport(output, sizeof(output), written));
    EXPECT_FALSE(device->SetFeatureReport(feature, sizeof(feature)));
}

TEST_F(DeviceTest, ReportsFailOnAnInaccessibleDevice) {
    auto model = std::make_shared<TScriptedSimModel>();
    bus.Plug(CableInterface(model));
    MakeController();
    THidDevice* available = controller->Devices()[0];
    const uint8_t output[9] = {0, 1, 2};
    uint32_t written = 0;
    EXPECT_FALSE(available->WriteReport(output, sizeof(output), written));
    EXPECT_FALSE(available->SetFeatureReport(output, sizeof(output)));
    THidCaps caps;
    caps.InputReportByteLength = 77;
    available->ReadCaps(caps);
    EXPECT_EQ(caps.InputReportByteLength, 0) << "zeros when never accessible";
    EXPECT_TRUE(model->Outputs().empty());
}

TEST_F(DeviceTest, CapsAreFetchedOnceAndKept) {
    THidDevice* device = PlugAndClaim(CableInterface());
    const int opensBefore = bus.OpenCalls(id);
    THidCaps caps;
    device->ReadCaps(caps);
    device->ReadCaps(caps);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.FeatureReportByteLength, 10);
    EXPECT_EQ(bus.OpenCalls(id) - opensBefore, 1);
    EXPECT_EQ(bus.OpenHandles(id), 0);
}

TEST_F(DeviceTest, ReleaseLeavesAFreshDeviceWithTheDataHandler) {
    THidDevice* device = PlugAndClaim(CableInterface());
    const auto data =
        THidDataEvent::WithCode(&id, [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    device->SetDataHandler(data);
    device->SetErrorHandler(THidDataErrorEvent::WithCode(&id, [](THidDevice*, uint32_t) {}));
    device->SetSleepTime(40);
    device->GetProductText();
    EXPECT_EQ(controller->CheckedOutCount(), 1);

    claimed.clear();
    ASSERT_EQ(controller->Devices().size(), 1u);
    THidDevice* fresh = controller->Devices()[0];
    EXPECT_FALSE(fresh->CheckedOut());
    EXPECT_FALSE(fresh->HasReader());
    EXPECT_TRUE(fresh->DataHandler().SameCode(data));
    EXPECT_FALSE(fresh->ErrorHandler());
    EXPECT_EQ(fresh->SleepTime(), 40);
    EXPECT_EQ(fresh->GetProductText(), "") << "fresh caches";
    EXPECT_EQ(fresh->PnP().DevInstance, id);
    EXPECT_EQ(controller->CheckedOutCount(), 0);
    EXPECT_EQ(controller->AvailableCount(), 1);
    EXPECT_EQ(bus.OpenHandles(id), 0);

    // Checked out again, the fresh device reads with the remembered handler.
    THidDevice* again = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(again, 0));
    claimed.emplace_back(again);
    EXPECT_TRUE(again->HasReader());
}

TEST_F(DeviceTest, ReleaseWhoseReplacementCannotBeOpenedDropsTheSlot) {
    THidDevice* device = PlugAndClaim(CableInterface());
    bus.Plug(CableInterface(nullptr, u"Other"));
    controller->DeviceChange();
    ASSERT_EQ(controller->Devices().size(), 2u);
    // The interface goes away before any rescan noticed it: the device still counts as plugged
    // when it is released, and its replacement cannot be opened.
    bus.Unplug(id);
    claimed.clear();
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_NE(controller->Devices()[0], device);
    EXPECT_EQ(controller->Devices()[0]->PnP().DevInstance, id + 1);
    EXPECT_EQ(controller->CheckedOutCount(), 0);
    EXPECT_EQ(controller->AvailableCount(), 1);
}

} // namespace
