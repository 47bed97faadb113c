// USB link: the cable's device list, and the window's side of the link's steps (link/UsbLink.h):
// which device they act on, and what the Connect button, the history, the trace list, the readout
// and the message boxes show of them.
//
// Deliveries: a device's reader hands each input report to the event thread and waits until the
// handler has returned. Stopping that reader (or releasing its device) from inside the delivery,
// or from a nested event loop such as a message box opened inside it, would wait for a reader
// that waits for us. Such stops, and device-list rebuilds, are therefore deferred until no
// delivery is running (UsbDeliveryDepth 0) and then run from the event loop.

#include "app/TFCOMM.h"

#include "base/Ansi.h"
#include "hid/HidAccessHint.h"
#include "hid/HidControllerClass.h"
#include "link/DeviceList.h"
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

// The trace and history lists are capped; the oldest lines go first, a batch at a time.
constexpr int kMaxListLines = 1000;
constexpr int kListTrimBatch = 100;

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
    return ListedDeviceCaption(*hidDev);
}

// ---- Device list ----------------------------------------------------------------------------

bool TFCOMM::HidCtlEnumerate(THidDevice* hidDev, int32_t idx) {
    TListedDevice listed = ListDevice(*HidCtl, *hidDev, idx);
    DevListBox->addItem(listed.caption);
    DevListObjects.devices.push_back(std::move(listed.device));
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
    ShowAccessHintOnce();
}

void TFCOMM::ShowAccessHintOnce() {
    // Only the cable counts: most other HID nodes of a desktop are root's, and stay so with the
    // rule installed.
    const THidDevice* cable = SelectedDevice();
    if (accessHintShown_ || cable == nullptr || !HidAccessDenied(*cable))
        return;
    accessHintShown_ = true;
    // Posted: the first list is built while the window is created, later ones inside the
    // controller's rescan; the box belongs on the window's own event loop.
    QTimer::singleShot(0, this, [this, hint = HidAccessDeniedMessage(cable->PnP().InterfacePath)] {
        Dialogs().ShowMessage(hint, TMessageIcon::Information);
    });
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
    UsbLink.SendFeatureReport();
}

void TFCOMM::SendUSBData(uint8_t command) {
    UsbLink.SendCommand(command);
}

void TFCOMM::SendDataClick() {
    UsbLink.SendDataReport();
}

// ---- Connect and disconnect -----------------------------------------------------------------

void TFCOMM::USBConClick() {
    UsbLink.Press(USBCon->isChecked());
}

// ---- Watchdog and debug commands ------------------------------------------------------------

void TFCOMM::ConTimerTimer() {
    UsbLink.WatchdogTick();
}

void TFCOMM::DegugClick() {
    SetFeatureClick();
    SendUSBData(kLoggerDebug);
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
    try {
        UsbLink.TakeReport(hidDev, reportID, std::span<const uint8_t>(data, size));
    } catch (...) {
        // Whatever went wrong, the link ends visibly (a history line, Connect up) and the reader
        // stops: an error that reached the reader would end it without a word.
        const QString message = ExceptionMessage();
        ReleaseLink();
        StopReader(hidDev);
        DecodeFailed(message);
    }
}

// ---- The link's host ------------------------------------------------------------------------

THidDevice* TFCOMM::SelectLinkDevice() {
    SelectCurrentDevice();
    return CurrentDevice;
}

void TFCOMM::StartReader(THidDevice& device) {
    device.SetDataHandler(THidDataEvent(this, &TFCOMM::USBRData));
}

uint32_t TFCOMM::LineBaudRate() {
    return BaudRateFromBoxes(B2400->isChecked(), B4800->isChecked(), B9600->isChecked());
}

void TFCOMM::ReleaseLink() {
    USBCon->setChecked(false);
}

void TFCOMM::ShowMessage(const QString& text) {
    Dialogs().ShowMessage(text, TMessageIcon::Information);
}

void TFCOMM::DecodeFailed(const QString& message) {
    // The link is down visibly instead of leaving a dead reader behind a pressed button: one
    // press of Connect starts reading again.
    AddHistoryLine(QStringLiteral("DECODE ERROR: ") + message);
}

bool TFCOMM::UseFrame() {
    LcdDisplay55(1);
    return true;
}

void TFCOMM::ReportSent(const QByteArray& trace) {
    AddHistoryLine(AnsiToQString(trace));
}

void TFCOMM::PayloadReceived(const QByteArray& trace) {
    AddSelectedLine(ListBox1, AnsiToQString(trace));
}

void TFCOMM::FrameClosed() {
    USBtxt1->setText(AnsiToQString(Readout.USBtxt1));
    USBtxt->setText(AnsiToQString(Readout.USBtxt));
}

void TFCOMM::FrameCleared() {
    USBtxt->clear();
}
