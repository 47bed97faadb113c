// The serial meter connection: framing of received batches into readings, the connect and
// disconnect commands, and the speed step.

#include "serial/PseudoTerminal.h"
#include "support_gui/WindowFixture.h"

#include "records/RecordTable.h"
#include "serial/CommDriver.h"
#include "serial/LineSpeed.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace {

const QByteArray kMeterFrame = "\n123456789\r"; // 0x0A, "1".."9", 0x0D

class SerialLinkTest : public WindowTest {
protected:
    // Hands the bytes to Comm2's receive handler in batches of the given size, as the polling
    // would; the handler is the one the start-up installed.
    void Receive(const QByteArray& bytes, qsizetype batchSize = 0) {
        if (batchSize <= 0)
            batchSize = bytes.size();
        for (qsizetype at = 0; at < bytes.size(); at += batchSize) {
            const QByteArray batch = bytes.mid(at, batchSize);
            window->Comm2->OnReceiveData()(window->Comm2.get(),
                                           reinterpret_cast<const uint8_t*>(batch.constData()),
                                           int32_t(batch.size()));
        }
    }
    QByteArray Digits() const {
        const TReadout& r = window->Readout;
        return r.LcdD3 + r.LcdD2 + r.LcdD1 + "|" + r.LcdFH + r.LcdDT3 + r.LcdDT2 + r.LcdDT1;
    }
    void UsePort(const QByteArray& path) {
        window->Comm2->SetPortPathResolver(
            [path](TComPortNumber port) { return port == pnCOM2 ? path : QByteArray(); });
    }
};

class SerialBatchTest : public SerialLinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(SerialBatchTest, MeterFrameBecomesOneReadingHoweverItIsSplit) {
    window->State.LinkTicks = 7;
    Receive(kMeterFrame, GetParam());
    const TFCOMM& w = *window;
    EXPECT_EQ(w.State.FrameText, "123456789DA");
    EXPECT_EQ(w.USBtxt->text(), QStringLiteral("123456789DA"));
    EXPECT_TRUE(w.SerialDigits.isEmpty());
    // Digits 1-3 humidity, 4-6 temperature, 7 the sign (not 1: positive), 8 the unit (8: "?").
    EXPECT_EQ(Digits(), "123|456");
    EXPECT_EQ(w.State.HumidityText, "12.3%RH");
    EXPECT_EQ(w.State.TemperatureText, "45.6");
    EXPECT_EQ(w.State.UnitText, "?");
    EXPECT_EQ(w.Readout.LCDTime, "00:00"); // the serial meter sends no time
    EXPECT_EQ(w.LCDTime->text(), QStringLiteral("00:00"));
    EXPECT_FLOAT_EQ(w.State.ChartValue, 12.3f);
    EXPECT_EQ(w.State.LinkTicks, 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(BatchSizes, SerialBatchTest, ::testing::Values(0, 1, 2, 3, 5, 10));

TEST_F(SerialLinkTest, WithoutTheLeadingLineFeedTheFrameIsRejected) {
    Receive("123456789\r");
    EXPECT_EQ(window->State.FrameText, "23456789DDA");
    EXPECT_EQ(window->USBtxt->text(), QStringLiteral("23456789DDA"));
    EXPECT_EQ(Digits(), "888|-888"); // the readout as it starts
    EXPECT_TRUE(window->State.HumidityText.isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SerialLinkTest, TwoFramesInARowAreTwoReadings) {
    std::vector<QByteArray> humidities;
    // The second reading replaces the first; the first must have been decoded on its own digits.
    Receive("\n453234000\r");
    humidities.push_back(window->State.HumidityText);
    Receive("\n453234000\r\n:12567010\r"); // ":" (0x3A) is a blank digit
    humidities.push_back(window->State.HumidityText);
    EXPECT_EQ(humidities[0], "45.3%RH");
    EXPECT_EQ(humidities[1], "1.2%RH");
    EXPECT_EQ(window->State.TemperatureText, "56.7");
    EXPECT_EQ(window->State.FrameText, "A12567010DA");
}

TEST_F(SerialLinkTest, EqualsSignDoesNotEndAFrame) {
    // "=" (0x3D) has the low digit D; here it is the unused ninth data digit.
    Receive("\n45323400=\r");
    EXPECT_EQ(window->State.FrameText, "45323400DDA");
    EXPECT_TRUE(window->SerialDigits.isEmpty());
    EXPECT_EQ(window->State.HumidityText, "45.3%RH");
}

TEST_F(SerialLinkTest, PartialFrameWaitsInSerialDigitsAndShowsInTheLabel) {
    Receive("\n1234");
    EXPECT_EQ(window->SerialDigits, "A1234");
    EXPECT_EQ(window->USBtxt->text(), QStringLiteral("A1234"));
    Receive("56789\r");
    EXPECT_EQ(window->State.FrameText, "123456789DA");
}

TEST_F(SerialLinkTest, SerialFrameNeitherDecodesNorClobbersTheUsbFrame) {
    // A USB frame being collected: the serial reading must not read it, nor lose it.
    const QByteArray usbBytes = "023435333233343030303030303030303030";
    window->State.RxHex = usbBytes;
    Receive("\n111222000\r");
    EXPECT_EQ(window->State.RxHex, usbBytes);
    EXPECT_EQ(window->State.HumidityText, "11.1%RH");
    EXPECT_EQ(window->State.TemperatureText, "22.2");
}

TEST_F(SerialLinkTest, UndecodableFrameIsDroppedQuietly) {
    Receive("\n453234000\r");
    const TReadout before = window->Readout;
    const TProgramState state = window->State;
    // Unit digit "C" (0x3C), then a sign digit "E" (0x3E): neither is a number.
    Receive("\n1112220<0\r\n111222>00\r");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window->State.FrameText, "111222E00DA");
    EXPECT_EQ(window->Readout.LcdD3, before.LcdD3);
    EXPECT_EQ(window->Readout.LCDC, before.LCDC);
    EXPECT_EQ(window->State.HumidityText, state.HumidityText);
    EXPECT_EQ(window->State.UnitText, state.UnitText);
    EXPECT_EQ(window->State.RxHex, state.RxHex);
    // The next good frame is read as usual.
    Receive("\n666777000\r");
    EXPECT_EQ(window->State.HumidityText, "66.6%RH");
}

TEST_F(SerialLinkTest, NoHumidityReadingShowsDashes) {
    Receive("\n:;0234000\r"); // blank tens, "B" (0x3B) units: no reading
    EXPECT_EQ(window->State.HumidityText, "----");
    EXPECT_EQ(window->Readout.LCDTime, "00:00");
}

TEST_F(SerialLinkTest, SerialFramesBecomeGridRows) {
    // Two readings in one batch, a rejected and an undecodable frame between them.
    Receive("\n453234000\r"
            "23456789\r"
            "\n1112220<0\r"
            "\n:12567110\r");
    QAbstractItemModel* grid = window->DBGrid1->model();
    ASSERT_EQ(grid->rowCount(), 2);
    const auto row = [&](int r) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << grid->index(r, c).data().toString();
        return cells;
    };
    EXPECT_EQ(row(0), (QStringList{"1", "00:00", "45.3%RH", "23.4", "#"}));
    EXPECT_EQ(row(1), (QStringList{"2", "00:00", "1.2%RH", "-56.7", "DEW#"}));
    EXPECT_EQ(window->cds1->Count(), 2);
    EXPECT_EQ(window->State.RecordNo, 3);
    EXPECT_EQ(window->Bt10->text(), QStringLiteral("1"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SerialLinkTest, PastedBadIntervalIsSaidOnceAndTheReadingsAreStillRecorded) {
    window->RecordSITime->setText(QStringLiteral("1a")); // pasted: reported at once
    Receive("\n453234000\r\n666777000\r");
    EXPECT_EQ(dialogs.Texts(), QStringList({"'1a' is not a valid integer value"}));
    EXPECT_EQ(window->State.HumidityText, "66.6%RH");
    EXPECT_EQ(window->cds1->Count(), 2);
}

TEST_F(SerialLinkTest, ConnectWithoutAPortSaysWhyAndStaysDisconnected) {
    UsePort("/nonexistent/ttyRX47");
    TFCOMM& w = *window;
    const auto disconnectedState = [&] {
        EXPECT_FALSE(w.Comm2->Connected());
        EXPECT_FALSE(w.BTCon->isHidden());
        EXPECT_TRUE(w.BtDiscon->isHidden());
        EXPECT_FALSE(w.START1->isChecked());
        EXPECT_TRUE(w.START1->isEnabled());
        EXPECT_FALSE(w.COMCon->isChecked());
        for (QPushButton* port : {w.BtCOM1, w.BtCOM2, w.BtCOM3, w.BtCOM4})
            EXPECT_TRUE(port->isEnabled());
    };
    w.BTCon->click();
    EXPECT_EQ(dialogs.Texts(),
              QStringList{"Cannot open COM2: No such file or directory (/nonexistent/ttyRX47)"});
    disconnectedState();

    // The hidden speed button and the hidden RM55 button say it the same way, once each.
    w.COMCon->click();
    UsePort(QByteArray());
    w.Button3->click();
    EXPECT_EQ(dialogs.Texts().mid(1),
              (QStringList{"Cannot open COM2: No such file or directory (/nonexistent/ttyRX47)",
                           "Cannot open COM2: no device is assigned to COM2"}));
    disconnectedState();
}

TEST_F(SerialLinkTest, ConnectAndDisconnectSwapThePanelsAndTheMenu) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    UsePort(pty.slavePath);
    window->BTCon1Click();
    TFCOMM& w = *window;
    EXPECT_TRUE(w.Comm2->Connected());
    EXPECT_TRUE(w.BTCon->isHidden());
    EXPECT_FALSE(w.BtDiscon->isHidden());
    EXPECT_TRUE(w.START1->isChecked());
    EXPECT_FALSE(w.START1->isEnabled());
    EXPECT_TRUE(w.STOP1->isEnabled());
    EXPECT_FALSE(w.STOP1->isChecked());
    for (QPushButton* port : {w.BtCOM1, w.BtCOM2, w.BtCOM3, w.BtCOM4})
        EXPECT_FALSE(port->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());

    w.BtDiscon1Click();
    EXPECT_FALSE(w.Comm2->Connected());
    EXPECT_FALSE(w.BTCon->isHidden());
    EXPECT_TRUE(w.BtDiscon->isHidden());
    EXPECT_FALSE(w.START1->isChecked());
    EXPECT_TRUE(w.START1->isEnabled());
    EXPECT_FALSE(w.STOP1->isEnabled());
    EXPECT_TRUE(w.STOP1->isChecked());
    for (QPushButton* port : {w.BtCOM1, w.BtCOM2, w.BtCOM3, w.BtCOM4})
        EXPECT_TRUE(port->isEnabled());
}

TEST_F(SerialLinkTest, ReadingsArriveFromTheOpenPort) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    UsePort(pty.slavePath);
    window->Comm2->SetComPortPollingDelay(2);
    window->BTCon1Click();
    ASSERT_TRUE(window->Comm2->Connected());
    EXPECT_EQ(ReadLineSpeed(pty.slave), 9600);

    ASSERT_TRUE(pty.Send("\n4532"));
    ASSERT_TRUE(pty.Send("34000\r"));
    EXPECT_TRUE(WaitUntil([&] { return window->State.HumidityText == "45.3%RH"; }));
    EXPECT_EQ(window->State.TemperatureText, "23.4");

    window->BtDiscon1Click();
    EXPECT_FALSE(window->Comm2->Connected());
}

TEST_F(SerialLinkTest, ComConToggleConnectsAndDisconnects) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    UsePort(pty.slavePath);
    window->COMCon->setChecked(true);
    window->COMConClick();
    EXPECT_TRUE(window->Comm2->Connected());
    EXPECT_TRUE(window->BTCon->isHidden());
    window->COMCon->setChecked(false);
    window->COMConClick();
    EXPECT_FALSE(window->Comm2->Connected());
    EXPECT_FALSE(window->BTCon->isHidden());
}

TEST_F(SerialLinkTest, Button3InstallsTheHandlerAndConnectsOnly) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    UsePort(pty.slavePath);
    window->Comm2->SetOnReceiveData(nullptr);
    window->Button3Click();
    EXPECT_TRUE(window->Comm2->Connected());
    EXPECT_TRUE(window->Comm2->OnReceiveData());
    EXPECT_FALSE(window->BTCon->isHidden()); // nothing else on the window changes
    EXPECT_TRUE(window->START1->isEnabled());
}

struct TSpeedStep {
    TComPortBaudRate before;
    TComPortBaudRate after;
    const char* message; // null: none
};

class SpeedStepTest : public SerialLinkTest, public ::testing::WithParamInterface<TSpeedStep> {};

TEST_P(SpeedStepTest, StepsTheSpeedWithItsMessage) {
    const TSpeedStep& step = GetParam();
    window->Comm2->SetComPortSpeed(step.before);
    window->Button2Click();
    EXPECT_EQ(window->Comm2->ComPortSpeed(), step.after);
    if (!step.message) {
        EXPECT_TRUE(dialogs.messages.empty());
        return;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QString::fromLatin1(step.message));
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);
}

INSTANTIATE_TEST_SUITE_P(Speeds, SpeedStepTest,
                         ::testing::Values(TSpeedStep{br1200, br1200, "Baud Rate:1200"},
                                           TSpeedStep{br19200, br1200, "Baud Rate:1200"},
                                           TSpeedStep{br9600, br19200, "Baud Rate:19200"},
                                           TSpeedStep{br4800, br9600, "Baud Rate:9600"},
                                           TSpeedStep{br2400, br4800, "Baud Rate:4800"},
                                           TSpeedStep{br110, br110, nullptr},
                                           TSpeedStep{br38400, br38400, nullptr},
                                           TSpeedStep{br115200, br115200, nullptr}));

TEST_F(SerialLinkTest, SpeedClicksFromTheDefaultReachTwelveHundredAndStay) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    UsePort(pty.slavePath);
    window->BTCon1Click();
    for (int i = 0; i < 3; ++i)
        window->Button2Click();
    EXPECT_EQ(dialogs.Texts(),
              QStringList({"Baud Rate:19200", "Baud Rate:1200", "Baud Rate:1200"}));
    EXPECT_EQ(ReadLineSpeed(pty.slave), 1200); // the open port follows at once
}

} // namespace
