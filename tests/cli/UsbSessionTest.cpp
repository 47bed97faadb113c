// The window-free link: what Connect sends, the answer to each decoded frame, the watchdog and
// the clean disconnect, on the simulated cable with its real reader thread.

#include "link/UsbSession.h"
#include "hid/HidControllerClass.h"
#include "link/LinkWatchdog.h"
#include "sim/SimCableOnBus.h"

#include "support/WaitUntil.h"
#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QStringList Reports(const std::vector<QByteArray>& reports) {
    QStringList lines;
    for (const QByteArray& report : reports)
        lines << QString::fromLatin1(report.toHex(' ').toUpper());
    return lines;
}

const QString kStart = QStringLiteral("00 01 5A 00 00 00 00 00 00");
const QString kNext = QStringLiteral("00 01 02 00 00 00 00 00 00");

class UsbSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        cable = std::make_shared<TSimSerialCable>();
        bus.Plug(SimCableInterface(cable));
        controller = std::make_unique<THidDeviceController>(&bus);
        controller->DeviceChange();
        THidDevice* claimed = nullptr;
        ASSERT_TRUE(controller->ClaimDeviceAt(claimed, 0));
        device.reset(claimed);
        session = std::make_unique<TUsbSession>(*device, TDecodeSettings{".", false});
        session->OnReading = [this](const TReading& reading) {
            readings.push_back(reading.Humidity + ' ' + reading.Temperature + ' ' + reading.Time);
        };
        session->OnLinkFailed = [this](const QString& message) { failures << message; };
    }
    void TearDown() override {
        session.reset();
        device.reset();
        controller.reset();
    }

    TSimHidBus bus;
    std::shared_ptr<TSimSerialCable> cable;
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<THidDevice> device;
    std::unique_ptr<TUsbSession> session;
    std::vector<QByteArray> readings;
    QStringList failures;
};

TEST_F(UsbSessionTest, ConnectAsksFrameByFrameAndDisconnectsCleanly) {
    cable->SetFrameBudget(2);
    QString error;
    ASSERT_TRUE(session->Connect(error)) << error.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return readings.size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 3; }));
    ASSERT_EQ(cable->FeatureReports().size(), 1u);
    EXPECT_EQ(cable->FeatureReports()[0].toHex(' ').toUpper(), "00 60 09 00 00 03 00 00 00 00");
    EXPECT_EQ(Reports(cable->OutputReports()), (QStringList{kStart, kNext, kNext}));
    EXPECT_TRUE(device->HasReader());

    session->Disconnect();
    EXPECT_FALSE(session->Connected());
    EXPECT_FALSE(device->HasReader());
    EXPECT_EQ(Reports(cable->OutputReports()), (QStringList{kStart, kNext, kNext, kNext}));
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(UsbSessionTest, KnownFrameIsDecodedAndAnswered) {
    cable->SetFrameBudget(0);
    QString error;
    ASSERT_TRUE(session->Connect(error));
    TSimReading reading;
    reading.humidityTenths = 453;
    reading.temperatureTenths = -234;
    reading.minutes = 5;
    reading.seconds = 59;
    cable->SendFrame(TSimRx47Logger::EncodeFrame(reading));
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 2; }));
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0], "45.3%RH -23.4 05:59");
    EXPECT_EQ(session->FramesClosed(), 1);
    EXPECT_EQ(session->Readout().USBtxt, "DA");
}

TEST_F(UsbSessionTest, FrameThatDoesNotDecodeTakesTheLinkDown) {
    cable->SetFrameBudget(0);
    QString error;
    ASSERT_TRUE(session->Connect(error));
    QByteArray frame = TSimRx47Logger::EncodeFrame(TSimReading{});
    frame[13] = 0x3C; // a unit digit the decoder cannot convert
    cable->SendFrame(frame);
    ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }));
    EXPECT_EQ(failures[0], "'C' is not a valid integer value");
    EXPECT_FALSE(session->Connected());
    EXPECT_FALSE(device->HasReader());
    EXPECT_TRUE(readings.empty());
}

TEST_F(UsbSessionTest, SilentLoggerIsGivenUpAfterThreeThousandEmptyReports) {
    cable->SetFrameBudget(0);
    QString error;
    ASSERT_TRUE(session->Connect(error));
    cable->InjectEmptyReports(kSilentLoggerReports);
    ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }));
    EXPECT_EQ(failures[0], LoggerNotAnsweringMessage());
    EXPECT_FALSE(device->HasReader());
}

// rx47-cli ends a run from inside the callbacks (a reading that was the last one wanted, a
// failure) by disconnecting there. The logger then gets exactly one command 2 from that
// disconnect, and none when the link is already down.
enum class TRunEnd { AfterReading, OnUndecodableFrame, OnSilentLogger };

struct TRunEndCase {
    const char* name;
    TRunEnd end;
    QStringList reports;
};

class UsbSessionRunEndTest : public UsbSessionTest,
                             public ::testing::WithParamInterface<TRunEndCase> {};

TEST_P(UsbSessionRunEndTest, DisconnectInsideACallbackSendsNoSecondCommand) {
    cable->SetFrameBudget(0);
    const auto disconnect = [this] { session->Disconnect(); };
    session->OnReading = [&](const TReading&) { disconnect(); };
    session->OnLinkFailed = [&](const QString& message) {
        failures << message;
        disconnect();
    };
    QString error;
    ASSERT_TRUE(session->Connect(error));
    QByteArray frame = TSimRx47Logger::EncodeFrame(TSimReading{});
    switch (GetParam().end) {
    case TRunEnd::AfterReading:
        cable->SendFrame(frame);
        break;
    case TRunEnd::OnUndecodableFrame:
        frame[13] = 0x3C;
        cable->SendFrame(frame);
        break;
    case TRunEnd::OnSilentLogger:
        cable->InjectEmptyReports(kSilentLoggerReports);
        break;
    }
    ASSERT_TRUE(WaitUntil([&] { return !session->Connected(); }));
    ASSERT_TRUE(WaitUntil([&] { return !device->HasReader(); }));
    EXPECT_EQ(Reports(cable->OutputReports()), GetParam().reports);
    EXPECT_EQ(failures.size(), GetParam().end == TRunEnd::AfterReading ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, UsbSessionRunEndTest,
    ::testing::Values(TRunEndCase{"AfterReading", TRunEnd::AfterReading, {kStart, kNext}},
                      TRunEndCase{"OnUndecodableFrame", TRunEnd::OnUndecodableFrame, {kStart}},
                      TRunEndCase{"OnSilentLogger", TRunEnd::OnSilentLogger, {kStart}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(UsbSession, DeviceWithoutReadWriteAccessDoesNotConnect) {
    TSimHidBus bus;
    TSimHidInterface cable = SimCableInterface(std::make_shared<TSimSerialCable>());
    cable.openFailure = TSimOpenFailure::ReadWrite;
    bus.Plug(cable);
    THidDeviceController controller(&bus);
    controller.DeviceChange();
    THidDevice* claimed = nullptr;
    ASSERT_TRUE(controller.ClaimDeviceAt(claimed, 0));
    std::unique_ptr<THidDevice> device(claimed);
    TUsbSession session(*device, {});
    QString error;
    EXPECT_FALSE(session.Connect(error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(device->HasReader());
}

} // namespace
