// The USB link end to end: the window offscreen, the HID transport with its real reader thread,
// the simulated bus and the simulated cable with its logger.

#include "support/WaitUntil.h"
#include "support_gui/WindowFixture.h"

#include "display/QtChartAdapter.h"
#include "hid/HidAccessHint.h"
#include "hid/HidControllerClass.h"
#include "records/RecordTable.h"
#include "sim/SimCableOnBus.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

namespace {

using namespace std::chrono_literals;

const QString kNotConnected =
    QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
const QString kNotAnswering = QStringLiteral(
    "USB interface cable is securely connected, please check if the meter is ready.");
const QString kProductNotConnected = QString::fromUtf16(u"USB端未连接产品，请检查!");

QByteArray Hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper();
}

// A known reading: 45.3 %RH, 23.4 degrees, 05:59.
QByteArray KnownFrame() {
    TSimReading reading;
    reading.humidityTenths = 453;
    reading.temperatureTenths = 234;
    reading.minutes = 5;
    reading.seconds = 59;
    return TSimRx47Logger::EncodeFrame(reading);
}

const char* const kStartReport = "00 01 5A 00 00 00 00 00 00";
const char* const kNextReport = "00 01 02 00 00 00 00 00 00";

class UsbLinkTest : public WindowTest {
protected:
    void SetUp() override {} // each test plugs its cables first
    void TearDown() override {
        window.reset(); // the window's devices use the bus
        bus.reset();
    }

    // Plugs cables and builds the window on the bus.
    std::shared_ptr<TSimSerialCable> PlugCable(const TSimCableOptions& options = {}) {
        auto model = std::make_shared<TSimSerialCable>();
        ids.push_back(bus->Plug(SimCableInterface(model, options)));
        return model;
    }
    void Open() {
        TFCOMMEnvironment environment;
        environment.hidPlatform = bus.get();
        MakeWindow(environment);
    }
    void OpenWithOneCable() {
        cable = PlugCable();
        Open();
    }

    // Lets queued work run for a moment (used only to give a wrong reaction a chance).
    static void Settle() {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    void PressConnect() { window->USBCon->click(); }
    QStringList OutputReports(const TSimSerialCable& model) const {
        QStringList out;
        for (const QByteArray& report : model.OutputReports())
            out << QString::fromLatin1(Hex(report));
        return out;
    }
    QStringList History() const {
        QStringList lines;
        for (int i = 0; i < window->HistoryListBox->count(); ++i)
            lines << window->HistoryListBox->item(i)->text();
        return lines;
    }
    bool Reading() const { return window->CurrentDevice && window->CurrentDevice->HasReader(); }
    int64_t ChartPoints() const {
        return window->ChartView->PointCount(0); // the plotted quantity's series
    }
    void Tick(int times = 3) {
        for (int i = 0; i < times; ++i)
            window->ConTimerTimer();
    }

    std::unique_ptr<TSimHidBus> bus = std::make_unique<TSimHidBus>();
    std::shared_ptr<TSimSerialCable> cable;
    std::vector<uint32_t> ids;
};

TEST_F(UsbLinkTest, ConnectSetsTheLineSpeedAndAsksForReadingsFrameByFrame) {
    OpenWithOneCable();
    cable->SetFrameBudget(3);
    ASSERT_EQ(window->DevListBox->currentRow(), 0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 4; }));
    ASSERT_TRUE(WaitUntil(
        [&] { return window->State.FrameText.size() == 19 && !window->State.FramePending; }));
    Settle();

    ASSERT_EQ(cable->FeatureReports().size(), 1u);
    EXPECT_EQ(Hex(cable->FeatureReports()[0]), "00 60 09 00 00 03 00 00 00 00");
    EXPECT_EQ(OutputReports(*cable),
              (QStringList{kStartReport, kNextReport, kNextReport, kNextReport}));
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(Reading());
    EXPECT_TRUE(dialogs.messages.empty());
    const QStringList history = History();
    ASSERT_GE(history.size(), 2);
    EXPECT_EQ(history[0], "60 09 00 00 03 00 00 00 00 ");
    EXPECT_EQ(history[1], "01 5A 00 00 00 00 00 00 ");
    EXPECT_EQ(history.last(), "01 02 00 00 00 00 00 00 ");
}

TEST_F(UsbLinkTest, FrameInReportsOf7And7And5IsDecodedIntoTheReadout) {
    OpenWithOneCable();
    cable->SetFrameBudget(0); // the logger hears the start command but leaves the answer to us
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    const int64_t pointsBefore = ChartPoints();
    cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 2; }));

    EXPECT_EQ(OutputReports(*cable), (QStringList{kStartReport, kNextReport}));
    ASSERT_EQ(window->Data1->rowCount(), 1);
    EXPECT_EQ(window->Data1->index(0, 2).data().toString(), "45.3%RH");
    EXPECT_EQ(window->Data1->index(0, 3).data().toString(), "23.4");
    EXPECT_EQ(ChartPoints(), pointsBefore + 1);
    EXPECT_EQ(window->State.HumidityText, "45.3%RH");
    EXPECT_EQ(window->State.TemperatureText, "23.4");
    EXPECT_EQ(window->State.UnitText, "#");
    EXPECT_EQ(window->LCDTime->text(), "05:59");
    EXPECT_EQ(window->USBtxt->text(), "DA");
    EXPECT_EQ(window->USBtxt1->text(), QString::fromLatin1(KnownFrame().toHex().toUpper()));
    EXPECT_TRUE(window->CONok->isVisibleTo(window.get()));
    ASSERT_EQ(window->ListBox1->count(), 3);
    EXPECT_EQ(window->ListBox1->item(0)->text().left(30), "R 00  F7 02 34 35 33 32 33 34 ");
    EXPECT_EQ(window->ListBox1->item(2)->text().left(8), "R 00  F5");
    EXPECT_EQ(window->ListBox1->currentRow(), 2);
}

TEST_F(UsbLinkTest, FrameWithoutTheEndMarkerIsAnsweredByNothing) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    QByteArray frame = KnownFrame();
    frame[18] = 0x0D;
    cable->SendFrame(frame);
    ASSERT_TRUE(WaitUntil([&] { return window->USBtxt->text() == "DD"; }));
    // A good frame afterwards is answered: the request list shows nothing for the first one.
    cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return window->USBtxt->text() == "DA"; }));
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() >= 2; }));
    Settle();
    EXPECT_EQ(OutputReports(*cable), (QStringList{kStartReport, kNextReport}));
}

TEST_F(UsbLinkTest, PastedBadIntervalWhileReadingNeitherStopsTheLinkNorLosesReadings) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return window->cds1->Count() == 1; }));

    window->RecordSITime->setText("x"); // pasted into the box
    EXPECT_EQ(dialogs.Texts(), QStringList{"'x' is not a valid integer value"});
    for (int i = 0; i < 2; ++i)
        cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return window->cds1->Count() == 3; }));
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(Reading());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(ChartPoints(), 4); // the placeholder and the three readings
}

struct SilenceCase {
    int emptyReports;
    bool givesUp;
};

class UsbWatchdogTest : public UsbLinkTest, public ::testing::WithParamInterface<SilenceCase> {};

TEST_P(UsbWatchdogTest, ThreeThousandEmptyReportsReleaseTheButton) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    cable->InjectEmptyReports(GetParam().emptyReports);
    ASSERT_TRUE(WaitUntil([&] { return window->State.EmptyReports == GetParam().emptyReports; }));
    Tick();
    if (GetParam().givesUp) {
        EXPECT_EQ(dialogs.Texts(), QStringList{kNotAnswering});
        EXPECT_FALSE(window->USBCon->isChecked());
        EXPECT_TRUE(WaitUntil([&] { return !Reading(); }));
        EXPECT_EQ(window->State.EmptyReports, 0);
        Tick(6); // not repeated
        EXPECT_EQ(dialogs.messages.size(), 1u);
    } else {
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(window->USBCon->isChecked());
        EXPECT_TRUE(Reading());
    }
    EXPECT_FALSE(window->CONok->isVisibleTo(window.get()));
    EXPECT_TRUE(window->CONokN->isVisibleTo(window.get()));
    EXPECT_EQ(OutputReports(*cable), QStringList{kStartReport}); // no command from the watchdog
}

INSTANTIATE_TEST_SUITE_P(Counts, UsbWatchdogTest,
                         ::testing::Values(SilenceCase{3000, true}, SilenceCase{2999, false}));

TEST_F(UsbLinkTest, UnplugWhileConnectedThenPlugBack) {
    OpenWithOneCable();
    cable->SetFrameBudget(1);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 2; }));
    bus->Unplug(ids[0]);
    ASSERT_TRUE(WaitUntil([&] { return History().contains("Removal of USB to Serial"); }));
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->count() == 0; }));
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window->CurrentDevice, nullptr);
    EXPECT_EQ(cable->OutputReports().size(), 2u); // no disconnect steps

    ids.push_back(bus->Plug(SimCableInterface(cable)));
    ASSERT_TRUE(WaitUntil([&] { return History().contains("Arrival of USB to Serial"); }));
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->currentRow() == 0; }));
    Settle();
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_EQ(cable->OutputReports().size(), 2u); // not reconnected
    EXPECT_EQ(cable->FeatureReports().size(), 1u);

    // Connect again after a replug: a connect after an unplug without replug gave the message.
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return cable->OutputReports().size() == 3; }));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(UsbLinkTest, AnotherDeviceArrivingWhileConnectedLeavesTheLinkVisiblyDown) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    TSimHidInterface keyboard;
    keyboard.product = u"Keyboard";
    keyboard.inputReportLength = 9;
    bus->Plug(keyboard);
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->count() == 2; }));
    // The rebuild released the reading device: the button says so, and one press reads again.
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_FALSE(Reading());
    EXPECT_EQ(window->DevListBox->currentRow(), 0);
    PressConnect();
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(Reading());
    EXPECT_EQ(OutputReports(*cable), (QStringList{kStartReport, kStartReport}));
}

TEST_F(UsbLinkTest, ConnectAfterUnplugGivesTheCableMessage) {
    OpenWithOneCable();
    bus->Unplug(ids[0]);
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->count() == 0; }));
    PressConnect();
    EXPECT_EQ(dialogs.Texts(), QStringList{kNotConnected});
    EXPECT_FALSE(window->USBCon->isChecked());
}

TEST_F(UsbLinkTest, TwoCablesTheLaterOneIsUsed) {
    auto first = PlugCable();
    auto second = PlugCable();
    Open();
    ASSERT_EQ(window->DevListBox->count(), 2);
    EXPECT_EQ(window->DevListBox->currentRow(), 1);
    second->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return second->OutputReports().size() == 1; }));
    EXPECT_TRUE(first->OutputReports().empty());
    EXPECT_TRUE(first->FeatureReports().empty());
}

TEST_F(UsbLinkTest, CableWithASerialNumberIsListedButNotSelected) {
    TSimCableOptions options;
    options.serial = u"0042";
    cable = PlugCable(options);
    Open();
    ASSERT_EQ(window->DevListBox->count(), 1);
    EXPECT_EQ(window->DevListBox->item(0)->text(), "USB to Serial (Serial=0042)");
    EXPECT_EQ(window->DevListBox->currentRow(), -1);
    PressConnect();
    EXPECT_EQ(dialogs.Texts(), QStringList{kNotConnected});
    EXPECT_TRUE(cable->FeatureReports().empty());
}

TEST_F(UsbLinkTest, DeviceWithoutProductStringIsListedByItsNumbers) {
    TSimHidInterface other;
    other.product = u"";
    other.vendorId = 0x1234;
    other.productId = 0xABCD;
    other.inputReportLength = 9;
    bus->Plug(other);
    OpenWithOneCable();
    ASSERT_EQ(window->DevListBox->count(), 2);
    EXPECT_EQ(window->DevListBox->item(0)->text(), "Device VID=1234 PID=ABCD");
    EXPECT_EQ(window->DevListBox->currentRow(), 1);
}

TEST_F(UsbLinkTest, NoCableGivesTheMessageOnce) {
    Open();
    PressConnect();
    EXPECT_EQ(dialogs.Texts(), QStringList{kNotConnected});
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_TRUE(History().isEmpty());
}

TEST_F(UsbLinkTest, DebugWithoutCableGivesBothMessages) {
    Open();
    window->CONokNDblClick();
    EXPECT_FALSE(window->Degug->isHidden());
    window->Degug->click();
    EXPECT_EQ(dialogs.Texts(), (QStringList{kNotConnected, kProductNotConnected}));
}

TEST_F(UsbLinkTest, DisconnectSendsTheFeatureReportThenCommandTwoThenStopsReading) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    PressConnect();
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_FALSE(Reading());
    ASSERT_EQ(cable->FeatureReports().size(), 2u);
    EXPECT_EQ(Hex(cable->FeatureReports()[1]), "00 60 09 00 00 03 00 00 00 00");
    EXPECT_EQ(OutputReports(*cable), (QStringList{kStartReport, kNextReport}));
}

TEST_F(UsbLinkTest, WrongLineSpeedGivesGarbledFramesThatAreNotDecoded) {
    OpenWithOneCable();
    cable->SetFrameBudget(1);
    window->B2400->setChecked(false);
    window->B9600->setChecked(true);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return window->State.FrameText.size() == 19; }));
    Settle();
    EXPECT_EQ(Hex(cable->FeatureReports()[0]), "00 80 25 00 00 03 00 00 00 00");
    EXPECT_EQ(OutputReports(*cable), QStringList{kStartReport});
    EXPECT_TRUE(window->State.HumidityText.isEmpty());
}

TEST_F(UsbLinkTest, DecodeFailureLeavesTheLinkVisiblyDownAndOneConnectRecovers) {
    OpenWithOneCable();
    cable->SetFrameBudget(2);
    cable->InjectFault(TSimFrameFault::Undecodable);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return !window->USBCon->isChecked(); }));
    ASSERT_TRUE(WaitUntil([&] { return !Reading(); }));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(History().last().startsWith("DECODE ERROR: '<' is not a valid integer value") ||
                History().last().startsWith("DECODE ERROR: 'C' is not a valid integer value"))
        << History().last().toStdString();
    EXPECT_EQ(OutputReports(*cable), QStringList{kStartReport}); // no request for the failed one

    PressConnect(); // one press
    ASSERT_TRUE(WaitUntil([&] { return window->State.HumidityText.endsWith("%RH"); }));
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(Reading());
}

TEST_F(UsbLinkTest, WatchdogInsideAMessageBoxInsideADeliveryIsDeferred) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    THidDevice* device = window->CurrentDevice;
    // With no line selected, the request after the next frame shows its message inside the
    // delivery; while that box is open the watchdog gives up on the same device.
    int nested = 0;
    dialogs.onMessage = [&](const QString& text) {
        if (text != kProductNotConnected)
            return;
        ++nested;
        EXPECT_GT(window->UsbDeliveryDepth, 0);
        window->DevListBox->setCurrentRow(0);
        window->ReadBtn->setChecked(false);
        window->CurrentDevice = device;
        window->State.EmptyReports = 3000;
        window->State.LinkTicks = 0;
        window->ConTimerTimer();
        window->ConTimerTimer();
        window->ConTimerTimer();
        EXPECT_TRUE(device->HasReader()); // still inside the delivery
    };
    window->DevListBox->setCurrentRow(-1);
    cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return nested == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return !device->HasReader(); }));
    EXPECT_EQ(dialogs.Texts(), (QStringList{kProductNotConnected, kNotAnswering}));
    EXPECT_FALSE(window->USBCon->isChecked());
}

TEST_F(UsbLinkTest, UnplugWhileAMessageBoxIsOpenInsideADeliveryRebuildsAfterwards) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_TRUE(WaitUntil([&] { return Reading(); }));
    bool rebuiltInside = true;
    dialogs.onMessage = [&](const QString&) {
        bus->Unplug(ids[0]);
        WaitUntil([&] { return History().contains("Removal of USB to Serial"); }, 5s);
        rebuiltInside = window->DevListBox->count() == 0;
    };
    window->DevListBox->setCurrentRow(-1);
    cable->SendFrame(KnownFrame());
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.messages.empty(); }));
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->count() == 0; }));
    EXPECT_FALSE(rebuiltInside);
    EXPECT_EQ(window->CurrentDevice, nullptr);
    EXPECT_FALSE(window->USBCon->isChecked());
}

TEST_F(UsbLinkTest, ReadErrorLine) {
    OpenWithOneCable();
    THidDevice* device = window->SelectedDevice();
    ASSERT_NE(device, nullptr);
    window->HidCtlDeviceDataError(device, 19);
    EXPECT_EQ(History().last(),
              QStringLiteral("READ ERROR: %1 (13)").arg(device->SystemErrorText(19)));
}

TEST_F(UsbLinkTest, ClearEmptiesTheHistory) {
    OpenWithOneCable();
    cable->SetFrameBudget(0);
    PressConnect();
    ASSERT_FALSE(History().isEmpty());
    window->ClearBtn->click();
    EXPECT_TRUE(History().isEmpty());
}

TEST_F(UsbLinkTest, SendDataSendsTheTwoByteReport) {
    OpenWithOneCable();
    window->SendData->click();
    EXPECT_EQ(OutputReports(*cable), QStringList{"00 02 5A 00 00 00 00 00 00"});
    EXPECT_EQ(History().last(), "02 5A 00 00 00 00 00 00 ");
}

TEST_F(UsbLinkTest, ClosingTheWindowWhileReadingStopsTheReader) {
    OpenWithOneCable();
    PressConnect(); // unlimited frames: deliveries are pending when the window goes
    ASSERT_TRUE(WaitUntil([&] { return cable->FramesSent() > 20; }));
    window.reset();
    const int sent = cable->FramesSent();
    Settle();
    EXPECT_EQ(cable->FramesSent(), sent);
}

// ---- The permission hint: a cable whose node cannot be opened for lack of permission is named
// once per run with the udev rule that gives access; nothing else asks for it.

TSimHidInterface Cable(TSimOpenFailure failure) {
    TSimHidInterface cable = SimCableInterface(std::make_shared<TSimSerialCable>());
    cable.openFailure = failure;
    return cable;
}

TSimHidInterface Keyboard(TSimOpenFailure failure) {
    TSimHidInterface keyboard;
    keyboard.product = u"Keyboard";
    keyboard.inputReportLength = 9;
    keyboard.openFailure = failure;
    return keyboard;
}

enum class TKind { Cable, Keyboard };

struct TPlugged {
    TKind kind;
    TSimOpenFailure failure;
};

TSimHidInterface Interface(const TPlugged& plugged) {
    return plugged.kind == TKind::Cable ? Cable(plugged.failure) : Keyboard(plugged.failure);
}

class AccessHintTest : public UsbLinkTest {
protected:
    QString HintFor(uint32_t id) const { return HidAccessDeniedMessage(TSimHidBus::PathOf(id)); }
};

struct THintCase {
    const char* name;
    std::vector<TPlugged> interfaces; // in plug order
    int hintFor;                      // index of the interface named; -1: no hint
};

class AccessHintCases : public AccessHintTest, public ::testing::WithParamInterface<THintCase> {};

TEST_P(AccessHintCases, OnlyACableRefusedForPermissionIsNamed) {
    std::vector<uint32_t> ids;
    for (const TPlugged& plugged : GetParam().interfaces)
        ids.push_back(bus->Plug(Interface(plugged)));
    Open();
    // The list is built while the window is created; the box waits for the event loop.
    EXPECT_TRUE(dialogs.messages.empty());
    Settle();
    if (GetParam().hintFor < 0) {
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.Texts().join('\n').toStdString();
        return;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, HintFor(ids[size_t(GetParam().hintFor)]));
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);
    EXPECT_TRUE(dialogs.messages[0].text.contains("70-rx47.rules"));
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, AccessHintCases,
    ::testing::Values(THintCase{"RefusedCable", {{TKind::Cable, TSimOpenFailure::ReadWrite}}, 0},
                      THintCase{"RefusedCableBesideAKeyboard",
                                {{TKind::Keyboard, TSimOpenFailure::None},
                                 {TKind::Cable, TSimOpenFailure::ReadWrite}},
                                1},
                      THintCase{"UsableCable", {{TKind::Cable, TSimOpenFailure::None}}, -1},
                      THintCase{"BusyCable", {{TKind::Cable, TSimOpenFailure::ReadWriteBusy}}, -1},
                      THintCase{"RefusedKeyboardBesideAUsableCable",
                                {{TKind::Keyboard, TSimOpenFailure::ReadWrite},
                                 {TKind::Cable, TSimOpenFailure::None}},
                                -1},
                      THintCase{"RefusedCableBesideTheUsableOneThatIsSelected",
                                {{TKind::Cable, TSimOpenFailure::ReadWrite},
                                 {TKind::Cable, TSimOpenFailure::None}},
                                -1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(AccessHintTest, ShownOncePerRunThoughTheCableComesBack) {
    uint32_t id = bus->Plug(Cable(TSimOpenFailure::ReadWrite));
    Open();
    ASSERT_TRUE(WaitUntil([&] { return dialogs.messages.size() == 1; }));
    EXPECT_EQ(dialogs.messages[0].text, HintFor(id));

    bus->Unplug(id);
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->count() == 0; }));
    id = bus->Plug(Cable(TSimOpenFailure::ReadWrite));
    ASSERT_TRUE(WaitUntil([&] { return window->DevListBox->currentRow() == 0; }));
    // Connect on the refused cable stays silent, as it does for any cable it cannot read.
    window->USBCon->click();
    Settle();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(window->CurrentDevice->HasReader());
}

TEST_F(AccessHintTest, CablePluggedInLaterIsNamedWhenItArrives) {
    Open();
    Settle();
    ASSERT_TRUE(dialogs.messages.empty());
    const uint32_t id = bus->Plug(Cable(TSimOpenFailure::ReadWrite));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.messages.size() == 1; }));
    EXPECT_EQ(dialogs.messages[0].text, HintFor(id));
}

} // namespace
