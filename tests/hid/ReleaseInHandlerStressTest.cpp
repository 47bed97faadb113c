// A data handler that releases its own device, over and over, at random moments while the reader
// is busy reading: the reader must finish on its own without touching the freed device. Run it
// under AddressSanitizer and ThreadSanitizer (scripts/test-extra-tsan.sh, the asan CI build).

#include "HidTestSupport.h"

#include <QThread>
#include <atomic>
#include <random>

namespace {

// A cable that always has the next report ready, so the reader is always inside a read call
// when the handler releases the device.
class TStreamingModel : public ISimDeviceModel {
public:
    std::optional<QByteArray> WaitInputReport(std::chrono::milliseconds) override {
        const uint32_t n = counter_.fetch_add(1);
        if (n % 7 == 0)
            QThread::yieldCurrentThread(); // vary where the reader stands
        return QByteArray::fromHex("00") + QByteArray(8, char(n & 0xFF));
    }
    bool OutputReport(QByteArrayView) override { return true; }
    bool FeatureReport(QByteArrayView) override { return true; }

private:
    std::atomic<uint32_t> counter_{0};
};

class ReleaseInHandlerStressTest : public HidBusTest {};

TEST_F(ReleaseInHandlerStressTest, HandlerReleasesItsOwnDeviceThousandsOfTimes) {
    bus.Plug(CableInterface(std::make_shared<TStreamingModel>()));
    MakeController();
    controller->SetDevThreadSleepTime(10);
    std::mt19937 random(20261211);
    constexpr int kRounds = 2000;
    int released = 0;
    for (int round = 0; round < kRounds; ++round) {
        THidDevice* raw = nullptr;
        ASSERT_TRUE(controller->ClaimDeviceAt(raw, 0)) << "round " << round;
        std::unique_ptr<THidDevice> device(raw);
        // Release after 1 to 4 deliveries, with a little work before it or none.
        const int releaseAt = int(random() % 4) + 1;
        const int spin = int(random() % 3);
        int calls = 0;
        device->SetDataHandler(THidDataEvent::WithCode(
            &calls, [&](THidDevice* from, uint8_t, const uint8_t*, uint16_t) {
                ASSERT_EQ(from, device.get());
                if (++calls < releaseAt)
                    return;
                for (int i = 0; i < spin; ++i)
                    QThread::yieldCurrentThread();
                device.reset();
            }));
        ASSERT_TRUE(PumpUntil([&] { return device == nullptr; })) << "round " << round;
        ++released;
        EXPECT_EQ(calls, releaseAt) << "no delivery after the release";
    }
    PumpPosted();
    EXPECT_EQ(released, kRounds);
    ASSERT_EQ(controller->Devices().size(), 1u);
    EXPECT_FALSE(controller->Devices()[0]->CheckedOut());
    EXPECT_EQ(controller->CheckedOutCount(), 0);
}

} // namespace
