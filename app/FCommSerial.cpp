// Serial link: the COM port commands and the framing of received bytes.
//
// A serial frame reaches the readout through the same decoder as a USB frame: its nine data
// digits are laid out as a logger frame (see SerialDigitsToRxHex) and decoded in place of RxHex,
// which is put back afterwards, so a USB frame being collected there is neither decoded nor lost.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "base/Exceptions.h"
#include "link/FrameDecoder.h"
#include "link/SerialFramer.h"
#include "serial/CommDriver.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <exception>
#include <optional>
#include <utility>

void TFCOMM::CreateSerialComponents() {
    Comm2 = std::make_unique<TCommPortDriver>(this);
    Comm2->setObjectName(QStringLiteral("Comm2"));
}

void TFCOMM::SerialStartup() {
    // An error raised while a batch is handled is shown like any handler's; polling goes on.
    Comm2->SetOnReceiveData(
        [this](TCommPortDriver* sender, const uint8_t* dataPtr, int32_t dataSize) {
            Guard([&] { H55RData(sender, dataPtr, dataSize); });
        });
    // A failed read is reported as a failed USB read is: a history line, the link shown down.
    Comm2->SetOnReadError([this](TCommPortDriver*, const QString& reason) {
        Guard([&] {
            AddHistoryLine(QStringLiteral("READ ERROR: ") + reason);
            BtDiscon1Click();
        });
    });
}

void TFCOMM::H55RData(TCommPortDriver* /*sender*/, const uint8_t* dataPtr, int32_t dataSize) {
    // An error of one reading (the record table's) must not cost the frames after it in the same
    // batch: the first is raised once the batch is done.
    std::exception_ptr firstError;
    for (int32_t i = 0; i < dataSize; ++i) {
        const std::optional<TSerialFrame> frame = FeedSerialByte(SerialDigits, dataPtr[i]);
        if (!frame) {
            Readout.USBtxt = SerialDigits;
            continue;
        }
        State.FrameText = frame->FrameText;
        Readout.USBtxt = State.FrameText;
        if (!frame->Accepted)
            continue; // dropped without a message
        try {
            ShowSerialReading(frame->Digits);
        } catch (...) {
            if (!firstError)
                firstError = std::current_exception();
        }
    }
    USBtxt->setText(AnsiToQString(Readout.USBtxt));
    if (firstError)
        std::rethrow_exception(firstError);
}

void TFCOMM::ShowSerialReading(const QByteArray& digits) {
    const QByteArray frame = SerialDigitsToRxHex(digits);

    // A frame whose digits the decoder cannot read (a letter where the unit, the sign or the
    // plotted value needs a digit) is dropped quietly: a meter sends several frames a second, and
    // an error box for each would bury the window. A trial decode on copies finds them before the
    // readout changes.
    TDecodeSettings settings;
    settings.DecimalSep = DecimalSep;
    settings.PlotTemperature = RHORTEMP->isChecked();
    TReadout trialReadout = Readout;
    TProgramState trialState = State;
    trialState.RxHex = frame;
    try {
        DecodeFrame(settings, trialReadout, trialState);
    } catch (const EConvertError&) {
        return;
    }

    struct TRestoreRxHex {
        QByteArray& rxHex;
        QByteArray saved;
        ~TRestoreRxHex() { rxHex = std::move(saved); }
    } restore{State.RxHex, std::exchange(State.RxHex, frame)};
    LcdDisplay55(1);
}

bool TFCOMM::OpenSerialPort() {
    if (Comm2->Connect())
        return true;
    Dialogs().ShowMessage(
        QStringLiteral("Cannot open %1: %2")
            .arg(QString::fromLatin1(ComPortName(Comm2->ComPort())), Comm2->ConnectError()),
        TMessageIcon::Information);
    return false;
}

void TFCOMM::BTCon1Click() {
    // A port that does not open is said once; the window stays disconnected.
    if (!OpenSerialPort()) {
        COMCon->setChecked(false);
        return;
    }
    START1->setChecked(true);
    START1->setEnabled(false);
    STOP1->setEnabled(true);
    STOP1->setChecked(false);
    BTCon->hide();
    BtDiscon->show();
    for (QPushButton* port : {BtCOM1, BtCOM2, BtCOM3, BtCOM4})
        port->setEnabled(false);
    ShowLinkState();
}

void TFCOMM::BtDiscon1Click() {
    START1->setChecked(false);
    START1->setEnabled(true);
    STOP1->setEnabled(false);
    STOP1->setChecked(true);
    Comm2->Disconnect();
    BTCon->show();
    BtDiscon->hide();
    for (QPushButton* port : {BtCOM1, BtCOM2, BtCOM3, BtCOM4})
        port->setEnabled(true);
    ShowLinkState();
}

void TFCOMM::COMConClick() {
    if (COMCon->isChecked())
        BTCon1Click();
    else
        BtDiscon1Click();
}

void TFCOMM::Button3Click() {
    SerialStartup();
    OpenSerialPort();
    ShowLinkState();
}

void TFCOMM::Button2Click() {
    // 2400 -> 4800 -> 9600 -> 19200 -> 1200, which stays; other speeds do not step.
    TComPortBaudRate next;
    switch (Comm2->ComPortSpeed()) {
    case br1200:
    case br19200:
        next = br1200;
        break;
    case br9600:
        next = br19200;
        break;
    case br4800:
        next = br9600;
        break;
    case br2400:
        next = br4800;
        break;
    default:
        return;
    }
    Comm2->SetComPortSpeed(next); // an open port changes at once, its queues discarded
    Dialogs().ShowMessage(QStringLiteral("Baud Rate:%1").arg(BaudRateValue(next)),
                          TMessageIcon::Information);
}
