#include "link/UsbLink.h"

#include "base/Exceptions.h"
#include "hid/HidControllerClass.h"
#include "link/LinkWatchdog.h"
#include "link/ReportAssembly.h"
#include "link/UsbReports.h"

namespace {

QString CableNotConnectedMessage() {
    return QStringLiteral(
        "USB interface cable is not securely connected, please check and re-try.");
}

QString ProductNotConnectedMessage() {
    return QString::fromUtf16(u"USB端未连接产品，请检查!");
}

} // namespace

QString LoggerNotAnsweringMessage() {
    return QStringLiteral(
        "USB interface cable is securely connected, please check if the meter is ready.");
}

TUsbLink::TUsbLink(IUsbLinkHost& host, TProgramState& state, TReadout& readout)
    : host_(host), state_(state), readout_(readout) {}

bool TUsbLink::Press(bool connect) {
    host_.StopSelectedReader();
    SendFeatureReport();
    state_.EmptyReports = 0;
    THidDevice* device = host_.SelectLinkDevice();
    if (device == nullptr || !device->ReadWriteAccess())
        return false;
    if (!connect) {
        Disconnect();
        return true;
    }
    state_.RxHex.clear();
    readout_.USBtxt.clear();
    host_.FrameCleared();
    host_.StopSelectedReader();
    if (THidDevice* current = host_.LinkDevice())
        host_.StartReader(*current);
    SendCommand(kLoggerStart);
    return true;
}

void TUsbLink::Disconnect() {
    SendCommand(kLoggerNext);
    host_.StopReader(host_.LinkDevice());
}

void TUsbLink::NoDevice(const QString& message) {
    host_.ShowMessage(message);
    host_.ReleaseLink();
}

void TUsbLink::SendFeatureReport() {
    THidDevice* device = host_.SelectLinkDevice();
    if (device == nullptr) {
        NoDevice(CableNotConnectedMessage());
        return;
    }
    const QByteArray report = BuildFeatureReport(host_.LineBaudRate());
    device->SetFeatureReport(reinterpret_cast<const uint8_t*>(report.constData()),
                             uint32_t(report.size()));
    host_.ReportSent(SentReportTrace(report, kFeatureReportSize));
}

void TUsbLink::SendOutputReport(uint8_t byte1, uint8_t byte2, const QString& noDeviceMessage) {
    THidDevice* device = host_.SelectLinkDevice();
    if (device == nullptr) {
        NoDevice(noDeviceMessage);
        return;
    }
    THidCaps caps{};
    device->ReadCaps(caps);
    const QByteArray report = BuildOutputReport(byte1, byte2, caps.OutputReportByteLength);
    uint32_t written = 0;
    const bool ok = device->WriteReport(reinterpret_cast<const uint8_t*>(report.constData()),
                                        uint32_t(report.size()), written);
    host_.ReportSent(SentReportTrace(report, ok ? int(written) : 0));
}

void TUsbLink::SendCommand(uint8_t command) {
    SendOutputReport(0x01, command, ProductNotConnectedMessage());
}

void TUsbLink::SendDataReport() {
    SendOutputReport(0x02, kLoggerStart, CableNotConnectedMessage());
}

void TUsbLink::TakeReport(THidDevice* device, uint8_t reportId, std::span<const uint8_t> data) {
    const TReportOutcome outcome = TakeInputReport(state_, readout_, reportId, data);
    switch (outcome.kind) {
    case TReportKind::Payload:
        host_.PayloadReceived(outcome.traceLine);
        return;
    case TReportKind::Idle:
        return;
    case TReportKind::FrameClose:
        break;
    }
    if (outcome.decode) {
        bool answer = false;
        try {
            answer = host_.UseFrame();
        } catch (...) {
            // Any error of the decode or of the recording (the program's own, the table's,
            // an allocation that failed) ends the link the same visible way: the reader must
            // never end quietly behind a pressed button.
            // The frame stays as it was (RxHex, USBtxt, FramePending) for a look at what failed.
            // The link goes down before the host hears of it, so a host that ends its run there
            // finds nothing left to disconnect.
            const QString message = ExceptionMessage();
            host_.ReleaseLink();
            host_.StopReader(device);
            host_.DecodeFailed(message);
            return;
        }
        if (answer)
            SendCommand(kLoggerNext);
    }
    FinishFrame(state_, readout_, outcome.endMarker);
    host_.FrameClosed();
}

void TUsbLink::WatchdogTick() {
    const TWatchdogStep step = StepWatchdog(state_);
    if (step.giveUp) {
        host_.ReleaseLink();
        host_.StopReader(host_.LinkDevice());
        host_.ShowMessage(LoggerNotAnsweringMessage());
    }
    if (step.linkCheck) {
        readout_.CONokVisible = false;
        readout_.CONokNVisible = true;
        host_.LinkImagesChanged();
    }
}
