// The reader thread: delivery on the event thread, one report at a time and in order, stops
// (also from inside a handler), failures, and unplug while reading.

#include "HidTestSupport.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>

namespace {

struct Delivery {
    uint8_t reportId;
    QByteArray data;
    bool onEventThread;
};

class ReaderTest : public HidBusTest {
protected:
    void SetUp() override {
        HidBusTest::SetUp();
        model = std::make_shared<TScriptedSimModel>();
        id = bus.Plug(CableInterface(model));
        MakeController();
        controller->SetDevThreadSleepTime(10);
        ASSERT_TRUE(controller->ClaimDeviceAt(device, 0));
        claimed.emplace_back(device);
    }

    THidDataEvent Recorder() {
        return THidDataEvent::WithCode(&deliveries, [this](THidDevice* from, uint8_t reportId,
                                                           const uint8_t* data, uint16_t size) {
            EXPECT_EQ(from, device);
            deliveries.push_back({reportId, QByteArray(reinterpret_cast<const char*>(data), size),
                                  QThread::currentThread() == qApp->thread()});
        });
    }

    std::shared_ptr<TScriptedSimModel> model;
    uint32_t id = 0;
    THidDevice* device = nullptr;
    std::vector<Delivery> deliveries;
};

TEST_F(ReaderTest, ReportsArriveInOrderOnTheEventThread) {
    device->SetDataHandler(Recorder());
    ASSERT_TRUE(device->HasReader());
    for (int i = 0; i < 50; ++i)
        model->PushInput(QByteArray::fromHex("00") + QByteArray(8, static_cast<char>(i)));
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 50; }));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(deliveries[i].reportId, 0);
        EXPECT_EQ(deliveries[i].data, QByteArray(8, static_cast<char>(i)));
        EXPECT_TRUE(deliveries[i].onEventThread);
    }
}

TEST_F(ReaderTest, ShortReadsDeliverWhatWasTransferred) {
    device->SetDataHandler(Recorder());
    model->PushInput(QByteArray());              // 0 bytes: nothing delivered
    model->PushInput(QByteArray::fromHex("07")); // 1 byte: Size 0, just past the ID
    model->PushInput(QByteArray::fromHex("0001020304050607080910")); // longer: cut at 9
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 2; }));
    EXPECT_EQ(deliveries[0].reportId, 7);
    EXPECT_EQ(deliveries[0].data, QByteArray());
    EXPECT_EQ(deliveries[1].data, QByteArray::fromHex("0102030405060708"));
    EXPECT_TRUE(PumpUntil([&] { return model->PendingInputs() == 0; }));
}

TEST_F(ReaderTest, StopRunsPendingDeliveriesWhileItWaits) {
    device->SetDataHandler(Recorder());
    model->PushInput(QByteArray::fromHex("00AA"));
    // Wait, without running the event loop, until the reader has queued the report.
    ASSERT_TRUE(WaitWithoutEvents([&] { return device->ReaderDeliveryPending(); }));
    device->SetDataHandler({});
    EXPECT_FALSE(device->HasReader());
    ASSERT_EQ(deliveries.size(), 1u) << "delivered during the stop, not lost";
    EXPECT_EQ(deliveries[0].data, QByteArray::fromHex("AA"));
    PumpPosted();
    EXPECT_EQ(deliveries.size(), 1u);
}

TEST_F(ReaderTest, InstallingAgainStartsANewReader) {
    device->SetDataHandler(Recorder());
    device->SetDataHandler({});
    EXPECT_FALSE(device->HasReader());
    device->SetDataHandler(Recorder());
    EXPECT_TRUE(device->HasReader());
    model->PushInput(QByteArray::fromHex("0001"));
    EXPECT_TRUE(PumpUntil([&] { return deliveries.size() == 1; }));
}

TEST_F(ReaderTest, ControllerHandlerSwitchTakesEffectAtTheNextDelivery) {
    controller->SetOnDeviceData(Recorder());
    claimed.clear(); // the replacement carries the controller's handler
    THidDevice* fresh = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(fresh, 0));
    claimed.emplace_back(fresh);
    device = fresh;
    ASSERT_TRUE(fresh->HasReader());
    model->PushInput(QByteArray::fromHex("0001"));
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 1; }));

    int other = 0;
    controller->SetOnDeviceData(THidDataEvent::WithCode(
        &other, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) { ++other; }));
    model->PushInput(QByteArray::fromHex("0002"));
    ASSERT_TRUE(PumpUntil([&] { return other == 1; }));
    EXPECT_EQ(deliveries.size(), 1u);

    controller->SetOnDeviceData({}); // an empty handler stops the reader
    EXPECT_FALSE(fresh->HasReader());
}

TEST_F(ReaderTest, HandlerThatRemovesItselfDoesNotDeadlock) {
    int calls = 0;
    device->SetDataHandler(
        THidDataEvent::WithCode(&calls, [&](THidDevice* from, uint8_t, const uint8_t*, uint16_t) {
            ++calls;
            from->SetDataHandler({});
            EXPECT_FALSE(from->HasReader());
        }));
    model->PushInput(QByteArray::fromHex("0001"));
    model->PushInput(QByteArray::fromHex("0002"));
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    EXPECT_FALSE(device->HasReader());
    // The stopped reader takes no further report.
    device->SetDataHandler(Recorder());
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 1; }));
    EXPECT_EQ(deliveries[0].data, QByteArray::fromHex("02"));
    EXPECT_EQ(calls, 1);
}

TEST_F(ReaderTest, HandlerThatReleasesItsDeviceDoesNotDeadlock) {
    int calls = 0;
    device->SetDataHandler(
        THidDataEvent::WithCode(&calls, [&](THidDevice* from, uint8_t, const uint8_t*, uint16_t) {
            ++calls;
            for (auto& held : claimed) {
                if (held.get() == from)
                    held.reset(); // release from inside the delivery
            }
        }));
    model->PushInput(QByteArray::fromHex("0001"));
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    PumpPosted();
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_NE(controller->Devices()[0], nullptr);
    EXPECT_FALSE(controller->Devices()[0]->CheckedOut());
    EXPECT_EQ(controller->CheckedOutCount(), 0);
    EXPECT_EQ(bus.OpenHandles(id), 0);
}

TEST_F(ReaderTest, HandlerThatRaisesEndsTheReader) {
    int calls = 0;
    device->SetDataHandler(
        THidDataEvent::WithCode(&calls, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) {
            ++calls;
            throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
        }));
    model->PushInput(QByteArray::fromHex("0001"));
    model->PushInput(QByteArray::fromHex("0002"));
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    // The finished reader stays: installing a handler again does not start another.
    device->SetDataHandler(Recorder());
    EXPECT_TRUE(device->HasReader());
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_TRUE(deliveries.empty());
    // Whether or not the reader had read it ahead, the second report is kept for the next one.
    EXPECT_LE(model->PendingInputs(), 1u);
    // Removing the handler and installing it again starts a new one.
    device->SetDataHandler({});
    device->SetDataHandler(Recorder());
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 1; }));
    EXPECT_EQ(deliveries[0].data, QByteArray::fromHex("02"));
}

TEST_F(ReaderTest, UnplugWhileReadingGivesErrorEventsUntilStopped) {
    std::vector<uint32_t> errors;
    device->SetErrorHandler(THidDataErrorEvent::WithCode(
        &errors, [&](THidDevice*, uint32_t error) { errors.push_back(error); }));
    device->SetDataHandler(Recorder());
    bus.Unplug(id);
    controller->DeviceChange(); // marks the device unplugged; its reader keeps running
    EXPECT_FALSE(device->Plugged());
    EXPECT_TRUE(device->HasReader());
    ASSERT_TRUE(PumpUntil([&] { return errors.size() >= 2; }));
    // The code is the reader thread's last error: "not connected" when the queued read saw the
    // device go, "bad handle" when the unplug closed the handle first; which comes first depends
    // on the threads' timing.
    EXPECT_TRUE(errors[0] == bus.NotConnectedError() || errors[0] == uint32_t(EBADF)) << errors[0];
    EXPECT_EQ(device->SystemErrorText(errors[0]), bus.ErrorText(errors[0]));
    device->SetDataHandler({});
    EXPECT_FALSE(device->HasReader());
    const std::size_t seen = errors.size();
    PumpUntil([] { return false; }, std::chrono::milliseconds(30));
    EXPECT_EQ(errors.size(), seen);
    EXPECT_TRUE(deliveries.empty());
}

// A handler waiting in an event loop of its own (as under a message box) neither holds the cable
// back (the reader reads ahead) nor has the next report delivered inside it.
TEST_F(ReaderTest, ReaderReadsAheadWhileAHandlerWaitsInANestedLoop) {
    int depth = 0, maxDepth = 0;
    std::vector<uint8_t> seen;
    device->SetDataHandler(
        THidDataEvent::WithCode(&seen, [&](THidDevice*, uint8_t, const uint8_t* data, uint16_t) {
            maxDepth = std::max(maxDepth, ++depth);
            seen.push_back(data[0]);
            if (seen.size() == 1) // as a message box would: an event loop inside the handler
                PumpUntil([&] { return model->PendingInputs() == 0; });
            --depth;
        }));
    for (int i = 0; i < 20; ++i)
        model->PushInput(QByteArray(1, '\0') + QByteArray(1, char(i)));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 20; }));
    EXPECT_EQ(maxDepth, 1) << "no delivery inside another";
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(seen[size_t(i)], i);
}

TEST_F(ReaderTest, AFullQueueHoldsTheReaderAndLosesNothing) {
    const int total = int(THidDeliveryChannel::kMaxQueued) + 40;
    std::vector<int> seen;
    std::size_t heldBack = 0;
    device->SetDataHandler(
        THidDataEvent::WithCode(&seen, [&](THidDevice*, uint8_t, const uint8_t* data, uint16_t) {
            seen.push_back(data[0] | data[1] << 8);
            if (seen.size() > 1)
                return;
            // The reader stops once the queue is full: the rest stays with the cable.
            PumpUntil([&] { return model->PendingInputs() <= 40; });
            PumpUntil([] { return false; }, std::chrono::milliseconds(50));
            heldBack = model->PendingInputs();
        }));
    for (int i = 0; i < total; ++i)
        model->PushInput(QByteArray(1, '\0') + QByteArray(1, char(i & 0xFF)) +
                         QByteArray(1, char(i >> 8)));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == size_t(total); }));
    EXPECT_GE(heldBack, 40u - 2u); // the one being delivered and the one in the reader's hands
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
}

TEST_F(ReaderTest, ReportsReadAheadOfAStoppedReaderGoToTheNextOne) {
    std::vector<uint8_t> first;
    device->SetDataHandler(THidDataEvent::WithCode(
        &first, [&](THidDevice* from, uint8_t, const uint8_t* data, uint16_t) {
            first.push_back(data[0]);
            PumpUntil([&] { return model->PendingInputs() == 0; }); // let it read all ahead
            from->SetDataHandler({});
        }));
    for (int i = 1; i <= 10; ++i)
        model->PushInput(QByteArray(1, '\0') + QByteArray(1, char(i)));
    ASSERT_TRUE(PumpUntil([&] { return !first.empty() && !device->HasReader(); }));
    PumpPosted();
    EXPECT_EQ(first, std::vector<uint8_t>{1});
    device->SetDataHandler(Recorder());
    ASSERT_TRUE(PumpUntil([&] { return deliveries.size() == 9; }));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(deliveries[size_t(i)].data, QByteArray(1, char(i + 2)));
}

TEST_F(ReaderTest, HandlerMayStopAnotherDevicesReader) {
    auto otherModel = std::make_shared<TScriptedSimModel>();
    bus.Plug(CableInterface(otherModel));
    controller->DeviceChange();
    THidDevice* other = nullptr;
    ASSERT_TRUE(controller->ClaimDeviceAt(other, 1));
    claimed.emplace_back(other);
    int otherCalls = 0;
    other->SetDataHandler(THidDataEvent::WithCode(
        &otherCalls, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) { ++otherCalls; }));
    otherModel->PushInput(QByteArray::fromHex("0001"));
    ASSERT_TRUE(WaitWithoutEvents([&] { return other->ReaderDeliveryPending(); }));
    int calls = 0;
    device->SetDataHandler(
        THidDataEvent::WithCode(&calls, [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) {
            ++calls;
            other->SetDataHandler({}); // runs the other reader's pending delivery meanwhile
            EXPECT_FALSE(other->HasReader());
        }));
    model->PushInput(QByteArray::fromHex("0001"));
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    EXPECT_EQ(otherCalls, 1) << "delivered inside the first device's handler";
}

} // namespace
