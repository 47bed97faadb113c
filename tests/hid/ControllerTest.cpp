// The device controller on the simulated bus: creation, the list and its counters, rescans with
// their events, check-out, the setters and destruction.

#include "HidTestSupport.h"

namespace {

using ControllerTest = HidBusTest;

TEST_F(ControllerTest, SecondControllerFailsAndFirstKeepsItsBindings) {
    bus.Plug(CableInterface());
    MakeController();
    EXPECT_EQ(THidDeviceController::ControllerInstances(), 1);
    try {
        THidDeviceController second(&bus);
        FAIL() << "a second controller was created";
    } catch (const EControllerError& error) {
        EXPECT_EQ(error.Message(), "Only one THidDeviceController allowed per program");
    }
    EXPECT_EQ(THidDeviceController::ControllerInstances(), 1);
    EXPECT_TRUE(bus.HidServicesBound());
    EXPECT_TRUE(bus.SetupServicesBound());
    EXPECT_EQ(bus.SetupBindCount(), 1);
    bus.Plug(CableInterface());
    controller->DeviceChange();
    EXPECT_EQ(controller->Devices().size(), 2u);

    controller.reset();
    EXPECT_EQ(THidDeviceController::ControllerInstances(), 0);
    EXPECT_FALSE(bus.HidServicesBound());
    EXPECT_EQ(bus.SetupBindCount(), 0);
    EXPECT_NO_THROW(THidDeviceController again(&bus));
}

TEST_F(ControllerTest, CreationListsInterfacesWithDefaults) {
    bus.Plug(CableInterface());
    bus.Plug(CableInterface(nullptr, u"Keyboard"));
    MakeController();
    EXPECT_EQ(controller->Devices().size(), 2u);
    EXPECT_EQ(controller->AvailableCount(), 2);
    EXPECT_EQ(controller->CheckedOutCount(), 0);
    EXPECT_EQ(controller->UnpluggedCount(), 0);
    EXPECT_EQ(controller->DevThreadSleepTime(), 100);
    EXPECT_EQ(controller->Version(), "1.0.22");
    controller->SetVersion("9.9");
    EXPECT_EQ(controller->Version(), "1.0.22");
    EXPECT_FALSE(controller->InitialChangeSent());
    EXPECT_EQ(controller->HidClassGuid(), kFallbackHidClassGuid);
    EXPECT_TRUE(bus.Watching());
    // Creation opens each interface briefly and leaves nothing open.
    EXPECT_EQ(bus.OpenHandles(1), 0);
    EXPECT_EQ(bus.OpenHandles(2), 0);
}

TEST_F(ControllerTest, MissingServicesLeaveTheTransportEmpty) {
    struct Case {
        bool setup;
        bool hid;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(testing::Message() << "setup " << c.setup << " hid " << c.hid);
        TSimHidBus emptyBus;
        emptyBus.SetAnnounceOnPlug(false);
        emptyBus.Plug(CableInterface());
        emptyBus.SetSetupServicesAvailable(c.setup);
        emptyBus.SetHidServicesAvailable(c.hid);
        THidDeviceController ctl(&emptyBus);
        int changes = 0;
        int arrivals = 0;
        ctl.OnArrival = THidPlugEvent::WithCode(&arrivals, [&](THidDevice*) { ++arrivals; });
        ctl.SetOnDeviceChange(
            THidNotifyEvent::WithCode(&changes, [&](THidDeviceController*) { ++changes; }));
        EXPECT_TRUE(ctl.Devices().empty());
        EXPECT_EQ(ctl.HidClassGuid(), kFallbackHidClassGuid);
        EXPECT_FALSE(emptyBus.Watching());
        ctl.DeviceChange();
        ctl.DeviceChange();
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(arrivals, 0);
    }
}

TEST_F(ControllerTest, InterfacesThatCannotBeUsedAreLeftOut) {
    TSimHidInterface unreadable = CableInterface(nullptr, u"no details");
    unreadable.detailsUnreadable = true;
    TSimHidInterface closed = CableInterface(nullptr, u"closed");
    closed.openFailure = TSimOpenFailure::All;
    TSimHidInterface anonymous = CableInterface(nullptr, u"anonymous");
    anonymous.identifyFails = true;
    bus.Plug(unreadable);
    bus.Plug(closed);
    bus.Plug(anonymous);
    const uint32_t good = bus.Plug(CableInterface());
    MakeController();
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_EQ(controller->Devices()[0]->PnP().DevInstance, good);
    EXPECT_EQ(bus.OpenHandles(2), 0);
    EXPECT_EQ(bus.OpenHandles(3), 0);
}

TEST_F(ControllerTest, AssigningTheChangeHandlerRunsTheFirstChange) {
    bus.Plug(CableInterface());
    MakeController();
    RecordEvents();
    EXPECT_EQ(events, QStringList{"change"});
    EXPECT_TRUE(controller->InitialChangeSent());
    // Assigning the same code again changes nothing and fires nothing.
    controller->SetOnDeviceChange(THidNotifyEvent(this, &HidBusTest::RecordChange));
    EXPECT_EQ(events, QStringList{"change"});
}

TEST_F(ControllerTest, RescanWithoutChangeFiresNothing) {
    bus.Plug(CableInterface());
    MakeController();
    RecordEvents();
    events.clear();
    const THidDevice* before = controller->Devices()[0];
    controller->DeviceChange();
    controller->DeviceChange();
    EXPECT_TRUE(events.isEmpty());
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_EQ(controller->Devices()[0], before) << "the listed device object is kept";
}

TEST_F(ControllerTest, ArrivalsComeInEnumerationOrderBeforeTheChange) {
    MakeController();
    RecordEvents();
    events.clear();
    const uint32_t a = bus.Plug(CableInterface());
    const uint32_t b = bus.Plug(CableInterface());
    std::vector<bool> listedDuringArrival;
    controller->OnArrival = THidPlugEvent::WithCode(&listedDuringArrival, [&](THidDevice* device) {
        Record("arrival", device);
        const auto& devices = controller->Devices();
        listedDuringArrival.push_back(std::find(devices.begin(), devices.end(), device) !=
                                      devices.end());
        EXPECT_TRUE(device->InEvent());
        EXPECT_EQ(device->GetProductText(), "USB to Serial"); // readable inside the event
    });
    controller->DeviceChange();
    EXPECT_EQ(events, (QStringList{QStringLiteral("arrival:%1").arg(a),
                                   QStringLiteral("arrival:%1").arg(b), "change"}));
    EXPECT_EQ(listedDuringArrival, (std::vector<bool>{true, true}));
    EXPECT_FALSE(controller->Devices()[0]->InEvent());
    EXPECT_EQ(controller->AvailableCount(), 2);
}

TEST_F(ControllerTest, UnplugOfAvailableDevicesGoesFromTheEndBackwards) {
    const uint32_t a = bus.Plug(CableInterface());
    const uint32_t b = bus.Plug(CableInterface());
    const uint32_t c = bus.Plug(CableInterface());
    MakeController();
    RecordEvents();
    events.clear();
    bus.Unplug(a);
    bus.Unplug(c);
    controller->DeviceChange();
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("unplug:%1").arg(c), QStringLiteral("removal:%1").arg(c),
                           QStringLiteral("unplug:%1").arg(a), QStringLiteral("removal:%1").arg(a),
                           "change"}));
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_EQ(controller->Devices()[0]->PnP().DevInstance, b);
    EXPECT_EQ(controller->AvailableCount(), 1);
    EXPECT_EQ(controller->UnpluggedCount(), 0);
}

TEST_F(ControllerTest, UnpluggedCheckedOutDeviceStaysUntilReleased) {
    const uint32_t id = bus.Plug(CableInterface());
    MakeController();
    RecordEvents();
    THidDevice* device = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(device, 0));
    claimed.emplace_back(device);
    events.clear();

    bus.Unplug(id);
    controller->DeviceChange();
    const QString removal = QStringLiteral("removal:%1").arg(id);
    EXPECT_EQ(events, (QStringList{QStringLiteral("unplug:%1").arg(id), removal, "change"}));
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_FALSE(device->Plugged());
    EXPECT_EQ(controller->UnpluggedCount(), 1);
    EXPECT_EQ(controller->CheckedOutCount(), 0);
    EXPECT_EQ(controller->AvailableCount(), 0);

    // Reported removed again at every rescan, the unplug handler only once.
    events.clear();
    controller->DeviceChange();
    EXPECT_EQ(events, (QStringList{removal, "change"}));

    // The interface comes back: a second device object arrives beside the old one.
    events.clear();
    const uint32_t back = bus.Plug(CableInterface());
    controller->DeviceChange();
    EXPECT_EQ(events, (QStringList{removal, QStringLiteral("arrival:%1").arg(back), "change"}));
    ASSERT_EQ(controller->Devices().size(), 2u);
    EXPECT_NE(controller->Devices()[1], device);

    claimed.clear(); // releasing the unplugged device drops its slot
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_EQ(controller->UnpluggedCount(), 0);
    EXPECT_EQ(controller->AvailableCount(), 1);
}

TEST_F(ControllerTest, ClaimDeviceAtChecksTheIndex) {
    bus.Plug(CableInterface());
    bus.Plug(CableInterface());
    MakeController();
    THidDevice* device = reinterpret_cast<THidDevice*>(&events); // anything but null
    for (const int32_t index : {-1, 2, 100}) {
        EXPECT_FALSE(controller->ClaimDeviceAt(device, index)) << index;
        EXPECT_EQ(device, nullptr);
        device = reinterpret_cast<THidDevice*>(&events);
    }
    ASSERT_TRUE(controller->ClaimDeviceAt(device, 1));
    claimed.emplace_back(device);
    EXPECT_TRUE(device->CheckedOut());
    EXPECT_EQ(controller->CheckedOutCount(), 1);
    EXPECT_EQ(controller->AvailableCount(), 1);
    THidDevice* again = device;
    EXPECT_FALSE(controller->ClaimDeviceAt(again, 1)) << "already checked out";
    EXPECT_EQ(again, nullptr);
}

TEST_F(ControllerTest, EnumerateStopsWhenTheHandlerSaysSo) {
    for (int i = 0; i < 5; ++i)
        bus.Plug(CableInterface());
    MakeController();
    std::vector<int32_t> seen;
    controller->OnEnumerate =
        THidEnumerateEvent::WithCode(&seen, [&](THidDevice* device, int32_t idx) {
            EXPECT_TRUE(device->InEvent());
            EXPECT_EQ(device->GetProductText(), "USB to Serial"); // opens the query handle
            seen.push_back(idx);
            return seen.size() < 3;
        });
    EXPECT_EQ(controller->EnumerateDevices(), 3);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2}));
    for (uint32_t id = 1; id <= 5; ++id)
        EXPECT_EQ(bus.OpenHandles(id), 0) << "handles of device " << id;
    EXPECT_FALSE(controller->Devices()[0]->InEvent());
}

TEST_F(ControllerTest, EnumerateWithoutHandlerCountsOne) {
    MakeController();
    EXPECT_EQ(controller->EnumerateDevices(), 0);
    bus.Plug(CableInterface());
    bus.Plug(CableInterface());
    controller->DeviceChange();
    EXPECT_EQ(controller->EnumerateDevices(), 1);
}

TEST_F(ControllerTest, EnumerateSkipsUnpluggedDevicesAndLetsTheHandlerClaim) {
    const uint32_t gone = bus.Plug(CableInterface());
    bus.Plug(CableInterface());
    MakeController();
    THidDevice* first = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(first, 0));
    claimed.emplace_back(first);
    bus.Unplug(gone);
    controller->DeviceChange();
    std::vector<int32_t> seen;
    controller->OnEnumerate = THidEnumerateEvent::WithCode(&seen, [&](THidDevice*, int32_t idx) {
        seen.push_back(idx);
        THidDevice* device = nullptr;
        EXPECT_TRUE(controller->ClaimDeviceAt(device, idx));
        claimed.emplace_back(device);
        return true;
    });
    EXPECT_EQ(controller->EnumerateDevices(), 1);
    EXPECT_EQ(seen, std::vector<int32_t>{1});
    EXPECT_EQ(controller->CheckedOutCount(), 1);
}

TEST_F(ControllerTest, SleepTimeSetterReachesDevicesThatUseTheCurrentValue) {
    bus.Plug(CableInterface());
    bus.Plug(CableInterface());
    MakeController();
    THidDevice* first = controller->Devices()[0];
    THidDevice* second = controller->Devices()[1];
    second->SetSleepTime(50);
    controller->SetDevThreadSleepTime(20);
    EXPECT_EQ(first->SleepTime(), 20);
    EXPECT_EQ(second->SleepTime(), 50);

    controller->SetDevThreadSleepTime(5); // out of the devices' range: they keep 20
    EXPECT_EQ(controller->DevThreadSleepTime(), 5);
    EXPECT_EQ(first->SleepTime(), 20);
    controller->SetDevThreadSleepTime(30); // devices no longer match 5
    EXPECT_EQ(first->SleepTime(), 20);

    bus.Plug(CableInterface());
    controller->DeviceChange();
    EXPECT_EQ(controller->Devices()[2]->SleepTime(), 100) << "new devices start with 100";
}

TEST_F(ControllerTest, HandlerSettersReachDevicesWithTheOldCode) {
    bus.Plug(CableInterface());
    bus.Plug(CableInterface());
    MakeController();
    int tagA = 0;
    int tagB = 0;
    const auto handlerA =
        THidDataEvent::WithCode(&tagA, [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    const auto handlerB =
        THidDataEvent::WithCode(&tagB, [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    controller->Devices()[1]->SetDataHandler(handlerB);
    controller->SetOnDeviceData(handlerA);
    EXPECT_TRUE(controller->Devices()[0]->DataHandler().SameCode(handlerA));
    EXPECT_TRUE(controller->Devices()[1]->DataHandler().SameCode(handlerB));

    const auto errorHandler = THidDataErrorEvent::WithCode(&tagA, [](THidDevice*, uint32_t) {});
    controller->SetOnDeviceDataError(errorHandler);
    EXPECT_TRUE(controller->Devices()[0]->ErrorHandler().SameCode(errorHandler));

    bus.Plug(CableInterface());
    controller->DeviceChange();
    THidDevice* fresh = controller->Devices()[2];
    EXPECT_TRUE(fresh->DataHandler().SameCode(handlerA)) << "new devices take the data handler";
    EXPECT_FALSE(fresh->ErrorHandler()) << "... but no error handler";
}

TEST_F(ControllerTest, DestructionStopsReadersAndMarksCheckedOutDevicesUnplugged) {
    auto model = std::make_shared<TScriptedSimModel>();
    bus.Plug(CableInterface(model));
    bus.Plug(CableInterface());
    MakeController();
    controller->SetDevThreadSleepTime(10);
    int unplugs = 0;
    controller->SetOnDeviceUnplug(
        THidPlugEvent::WithCode(&unplugs, [&](THidDevice*) { ++unplugs; }));
    THidDevice* device = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(device, 0));
    claimed.emplace_back(device);
    int reports = 0;
    device->SetDataHandler(THidDataEvent::WithCode(
        &reports, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) { ++reports; }));
    ASSERT_TRUE(device->HasReader());

    controller.reset();
    EXPECT_EQ(unplugs, 1) << "the checked-out device's unplug handler";
    EXPECT_FALSE(device->HasReader());
    EXPECT_FALSE(device->Plugged());
    EXPECT_EQ(device->Controller(), nullptr);
    EXPECT_EQ(bus.OpenHandles(1), 0);
    EXPECT_FALSE(bus.HidServicesBound());
    // The application still releases it; nothing restarts a reader.
    device->SetDataHandler(THidDataEvent::WithCode(
        &reports, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) { ++reports; }));
    EXPECT_FALSE(device->HasReader());
    claimed.clear();
}

TEST_F(ControllerTest, AnnouncedChangesRescanOnTheEventLoop) {
    MakeController();
    RecordEvents();
    events.clear();
    bus.SetAnnounceOnPlug(true);
    const uint32_t id = bus.Plug(CableInterface());
    EXPECT_TRUE(events.isEmpty()) << "nothing happens before the event loop runs";
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (QStringList{QStringLiteral("arrival:%1").arg(id), "change"}));
}

TEST_F(ControllerTest, ErrorOfAHandlerInAnAnnouncedChangeIsReported) {
    MakeController();
    QString reported;
    controller->OnAnnouncedChangeError = [&](const TException& error) {
        reported = error.Message();
    };
    controller->OnArrival = THidPlugEvent::WithCode(&reported, [](THidDevice*) {
        throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
    });
    bus.SetAnnounceOnPlug(true);
    bus.Plug(CableInterface());
    ASSERT_TRUE(PumpUntil([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported, "'x' is not a valid integer value");
    EXPECT_EQ(controller->Devices().size(), 1u);
    EXPECT_EQ(controller->AvailableCount(), 1);
    // A direct call passes the error out to its caller.
    bus.SetAnnounceOnPlug(false);
    bus.Plug(CableInterface());
    EXPECT_THROW(controller->DeviceChange(), EConvertError);
}

} // namespace
