// USB link: the cable's device list, connect and disconnect, command reports, the link watchdog,
// and the reassembly of input reports into frames.
//
// Deliveries: a device's reader hands each input report to the event thread and waits until the
// handler has returned. Stopping that reader (or releasing its device) from inside the delivery,
// or from a nested event loop such as a message box opened inside it, would wait for a reader
// that waits for us. Such stops, and device-list rebuilds, are therefore deferred until no
// delivery is running (UsbDeliveryDepth 0) and then run from the event loop.

#include "app/TFCOMM.h"

#include "app/Ansi.h"
#include "app/Exceptions.h"
#include "hid/HidControllerClass.h"
#include "link/DeviceList.h"
#include "link/LinkWatchdog.h"
#include "link/ReportAssembly.h"
#include "link/UsbReports.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr uint8_t kCommandStart = 0x5A;
constexpr uint8_t kCommandNext = 0x02;
constexpr uint8_t kCommandDebug = 0x03;

// The trace and history lists are capped; the oldest lines go first, a batch at a time.
constexpr int kMaxListLines = 1000;
constexpr int kListTrimBatch = 100;

const QString kCableNotConnected =
    QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
const QString kLoggerNotAnswering = QStringLiteral(
    "USB interface cable is securely connected, please check if the meter is ready.");
QString ProductNotConnected() {
    return QString::fromUtf16(u"USB端未连接产品，请检查!");
}

void AddSelectedLine(QListWidget* list, const QString& line) {
    if (list->count() >= kMaxListLines + kListTrimBatch)
        list->model()->removeRows(0, kListTrimBatch);
    list->addItem(line);
    list->setCurrentRow(list->count() - 1);
}

// Counts a delivery while it runs; when the outermost one ends, deferred link work is posted.
class TDeliveryScope {
public:
    TDeliveryScope(int& depth, std::function<void()> onOutermostEnd)
        : depth_(depth), onEnd_(std::move(onOutermostEnd)) {
        ++depth_;
    }
    ~TDeliveryScope() {
        if (--depth_ == 0)
            onEnd_();
    }
    TDeliveryScope(const TDeliveryScope&) = delete;
    TDeliveryScope& operator=(const TDeliveryScope&) = delete;

private:
    int& depth_;
    std::function<void()> onEnd_;
};

} // namespace

// ---- Device objects -------------------------------------------------------------------------

TFCOMM::TDeviceSlots::~TDeviceSlots() {
    Release();
}

void TFCOMM::TDeviceSlots::Release() {
    // Releasing a device stops its reader, which runs the deliveries it still has pending; they
    // find `releasing` set and touch nothing.
    releasing = true;
    devices.clear();
    releasing = false;
    ++generation;
}

THidDevice* TFCOMM::SelectedDevice() const {
    const int row = DevListBox->currentRow();
    if (row < 0 || row >= int(DevListObjects.devices.size()))
        return nullptr;
    return DevListObjects.devices[size_t(row)].get();
}

bool TFCOMM::IsListedDevice(const THidDevice* device) const {
    if (device == nullptr)
        return false;
    return std::any_of(
        DevListObjects.devices.begin(), DevListObjects.devices.end(),
        [device](const std::unique_ptr<THidDevice>& d) { return d.get() == device; });
}

void TFCOMM::SelectCurrentDevice() {
    CurrentDevice = nullptr;
    CurrentDevice = SelectedDevice();
}

void TFCOMM::RequestReaderStop(THidDevice* device) {
    if (!IsListedDevice(device))
        return; // nothing listed to stop: a released device has no reader any more
    if (UsbDeliveryDepth > 0) {
        pendingReaderStops_.emplace_back(device, DevListObjects.generation);
        return;
    }
    device->SetDataHandler({});
}

void TFCOMM::PostDeferredLinkWork() {
    if (deferredWorkPosted_ || (pendingReaderStops_.empty() && !deviceChangePending_))
        return;
    deferredWorkPosted_ = true;
    QTimer::singleShot(0, this, [this] {
        deferredWorkPosted_ = false;
        Guard([this] { RunDeferredLinkWork(); });
    });
}

void TFCOMM::RunDeferredLinkWork() {
    if (UsbDeliveryDepth > 0)
        return; // posted again when that delivery ends
    const auto stops = std::exchange(pendingReaderStops_, {});
    for (const auto& [device, generation] : stops) {
        if (generation == DevListObjects.generation && IsListedDevice(device))
            device->SetDataHandler({});
    }
    // A connect made meanwhile (from a nested event loop) wants its device reading.
    if (USBCon->isChecked() && IsListedDevice(CurrentDevice) && CurrentDevice->ReadWriteAccess() &&
        !CurrentDevice->DataHandler())
        CurrentDevice->SetDataHandler(THidDataEvent(this, &TFCOMM::USBRData));
    if (std::exchange(deviceChangePending_, false))
        HidCtlDeviceChange();
}

void TFCOMM::AddHistoryLine(const QString& line) {
    AddSelectedLine(HistoryListBox, line);
}

// ---- Components -----------------------------------------------------------------------------

void TFCOMM::CreateHidComponents() {
    // One line per report or command: spare the lists a size query per line.
    ListBox1->setUniformItemSizes(true);
    HistoryListBox->setUniformItemSizes(true);
    HidCtl = std::make_unique<THidDeviceController>(environment_.hidPlatform);
    // A handler that fails inside a rescan the system announced is reported like any other.
    HidCtl->OnAnnouncedChangeError = [this](const TException& error) {
        Dialogs().ShowMessage(error.Message(), TMessageIcon::Information);
    };
    // In the window's order: assigning the change handler already runs the first change, which
    // fills the device list before the error and removal handlers are set.
    HidCtl->OnArrival = THidPlugEvent(this, &TFCOMM::HidCtlArrival);
    HidCtl->OnEnumerate = THidEnumerateEvent(this, &TFCOMM::HidCtlEnumerate);
    HidCtl->SetOnDeviceChange(THidNotifyEvent(this, &TFCOMM::HidCtlDeviceChange));
    HidCtl->SetOnDeviceDataError(THidDataErrorEvent(this, &TFCOMM::HidCtlDeviceDataError));
    HidCtl->OnRemoval = THidPlugEvent(this, &TFCOMM::HidCtlRemoval);
}

QString TFCOMM::DeviceCaption(THidDevice* hidDev) {
    return DeviceCaptionText(hidDev->GetProductText(), hidDev->IdentityRecord().VendorID,
                             hidDev->IdentityRecord().ProductID, hidDev->GetSerialText());
}

// ---- Device list ----------------------------------------------------------------------------

bool TFCOMM::HidCtlEnumerate(THidDevice* hidDev, int32_t idx) {
    DevListBox->addItem(DeviceCaption(hidDev));
    THidDevice* claimed = nullptr;
    HidCtl->ClaimDeviceAt(claimed, idx);
    DevListObjects.devices.emplace_back(claimed);
    return true;
}

void TFCOMM::HidCtlDeviceChange() {
    if (UsbDeliveryDepth > 0) {
        // Releasing the devices would wait for the reader of the running delivery.
        deviceChangePending_ = true;
        return;
    }
    const bool wasConnected = USBCon->isChecked();
    ReadBtn->setChecked(false);
    ReadBtnClick();

    CurrentDevice = nullptr; // the objects it may point at are released now
    DevListObjects.Release();
    DevListBox->clear();
    pendingReaderStops_.clear();

    HidCtl->EnumerateDevices();

    QStringList lines;
    for (int i = 0; i < DevListBox->count(); ++i)
        lines << DevListBox->item(i)->text();
    DevListBox->setCurrentRow(SelectCableLine(lines));

    // Every listed reader was stopped: a link that was up is down now, and shows it.
    if (wasConnected)
        USBCon->setChecked(false);
}

void TFCOMM::HidCtlArrival(THidDevice* hidDev) {
    AddHistoryLine(QStringLiteral("Arrival of ") + DeviceCaption(hidDev));
}

void TFCOMM::HidCtlRemoval(THidDevice* hidDev) {
    AddHistoryLine(QStringLiteral("Removal of ") + DeviceCaption(hidDev));
    USBCon->setChecked(false);
}

void TFCOMM::HidCtlDeviceDataError(THidDevice* hidDev, uint32_t error) {
    if (DevListObjects.releasing)
        return;
    TDeliveryScope scope(UsbDeliveryDepth, [this] { PostDeferredLinkWork(); });
    AddHistoryLine(QStringLiteral("READ ERROR: %1 (%2)")
                       .arg(hidDev->SystemErrorText(error))
                       .arg(QString::number(error, 16).toUpper()));
}

// ---- Reports to the cable -------------------------------------------------------------------

void TFCOMM::ReadBtnClick() {
    SelectCurrentDevice();
    if (CurrentDevice == nullptr)
        return;
    if (CurrentDevice->ReadWriteAccess())
        RequestReaderStop(CurrentDevice);
    else
        ReadBtn->setChecked(false);
}

void TFCOMM::SetFeatureClick() {
    SelectCurrentDevice();
    if (CurrentDevice == nullptr) {
        Dialogs().ShowMessage(kCableNotConnected, TMessageIcon::Information);
        USBCon->setChecked(false);
        return;
    }
    const QByteArray report = BuildFeatureReport(
        BaudRateFromBoxes(B2400->isChecked(), B4800->isChecked(), B9600->isChecked()));
    CurrentDevice->SetFeatureReport(reinterpret_cast<const uint8_t*>(report.constData()),
                                    uint32_t(report.size()));
    AddHistoryLine(AnsiToQString(SentReportTrace(report, kFeatureReportSize)));
}

namespace {

// Writes one output report and returns its trace line.
QByteArray WriteOutputReport(THidDevice& device, uint8_t byte1, uint8_t byte2) {
    THidCaps caps{};
    device.ReadCaps(caps);
    const QByteArray report = BuildOutputReport(byte1, byte2, caps.OutputReportByteLength);
    uint32_t written = 0;
    const bool ok = device.WriteReport(reinterpret_cast<const uint8_t*>(report.constData()),
                                       uint32_t(report.size()), written);
    return SentReportTrace(report, ok ? int(written) : 0);
}

} // namespace

void TFCOMM::SendUSBData(uint8_t command) {
    SelectCurrentDevice();
    if (CurrentDevice == nullptr) {
        Dialogs().ShowMessage(ProductNotConnected(), TMessageIcon::Information);
        USBCon->setChecked(false);
        return;
    }
    AddHistoryLine(AnsiToQString(WriteOutputReport(*CurrentDevice, 0x01, command)));
}

void TFCOMM::SendDataClick() {
    SelectCurrentDevice();
    if (CurrentDevice == nullptr) {
        Dialogs().ShowMessage(kCableNotConnected, TMessageIcon::Information);
        USBCon->setChecked(false);
        return;
    }
    AddHistoryLine(AnsiToQString(WriteOutputReport(*CurrentDevice, 0x02, kCommandStart)));
}

// ---- Connect and disconnect -----------------------------------------------------------------

void TFCOMM::USBConClick() {
    ReadBtnClick();
    SetFeatureClick();
    State.EmptyReports = 0;
    SelectCurrentDevice();
    if (CurrentDevice == nullptr || !CurrentDevice->ReadWriteAccess())
        return;
    if (USBCon->isChecked()) {
        State.RxHex.clear();
        Readout.USBtxt.clear();
        USBtxt->clear();
        ReadBtnClick();
        CurrentDevice->SetDataHandler(THidDataEvent(this, &TFCOMM::USBRData));
        SendUSBData(kCommandStart);
    } else {
        SendUSBData(kCommandNext);
        RequestReaderStop(CurrentDevice);
    }
}

// ---- Watchdog and debug commands ------------------------------------------------------------

void TFCOMM::ConTimerTimer() {
    const TWatchdogStep step = StepWatchdog(State);
    if (step.giveUp) {
        USBCon->setChecked(false);
        RequestReaderStop(CurrentDevice);
        Dialogs().ShowMessage(kLoggerNotAnswering, TMessageIcon::Information);
    }
    if (step.linkCheck) {
        Readout.CONokVisible = false;
        Readout.CONokNVisible = true;
        ShowReadout();
    }
}

void TFCOMM::DegugClick() {
    SetFeatureClick();
    SendUSBData(kCommandDebug);
}

void TFCOMM::CONokNDblClick() {
    Degug->show();
}

void TFCOMM::ClearBtnClick() {
    HistoryListBox->clear();
    Memo1->clear();
}

// ---- Input reports --------------------------------------------------------------------------

void TFCOMM::USBRData(THidDevice* hidDev, uint8_t reportID, const uint8_t* data, uint16_t size) {
    if (DevListObjects.releasing)
        return;
    if (std::any_of(pendingReaderStops_.begin(), pendingReaderStops_.end(),
                    [hidDev](const auto& stop) { return stop.first == hidDev; }))
        return; // its link is down; the reader stops once this delivery has returned
    TDeliveryScope scope(UsbDeliveryDepth, [this] { PostDeferredLinkWork(); });

    const TReportOutcome outcome =
        TakeInputReport(State, Readout, reportID, std::span<const uint8_t>(data, size));
    switch (outcome.kind) {
    case TReportKind::Payload:
        AddSelectedLine(ListBox1, AnsiToQString(outcome.traceLine));
        return;
    case TReportKind::Idle:
        return;
    case TReportKind::FrameClose:
        break;
    }
    if (outcome.decode) {
        try {
            LcdDisplay55(1);
        } catch (const TException& error) {
            LinkDecodeFailed(hidDev, error);
            return;
        }
        SendUSBData(kCommandNext);
    }
    FinishFrame(State, Readout, outcome.endMarker);
    USBtxt1->setText(AnsiToQString(Readout.USBtxt1));
    USBtxt->setText(AnsiToQString(Readout.USBtxt));
}

void TFCOMM::LinkDecodeFailed(THidDevice* hidDev, const TException& error) {
    // The frame stays as it was (RxHex, USBtxt, FramePending) for a look at what failed. The link
    // goes down visibly instead of leaving a dead reader behind a pressed button: one press of
    // Connect starts reading again.
    AddHistoryLine(QStringLiteral("DECODE ERROR: ") + error.Message());
    USBCon->setChecked(false);
    RequestReaderStop(hidDev);
}
