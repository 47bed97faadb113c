#include "link/UsbSession.h"

#include "app/Exceptions.h"
#include "hid/HidControllerClass.h"
#include "link/LinkWatchdog.h"
#include "link/ReportAssembly.h"
#include "link/UsbReports.h"

namespace {

constexpr uint8_t kCommandStart = 0x5A;
constexpr uint8_t kCommandNext = 0x02;
constexpr int kWatchdogMs = 10;

// The code identity of the session's data handler.
const char kSessionHandlerTag = 0;

} // namespace

QString LoggerNotAnsweringMessage() {
    return QStringLiteral(
        "USB interface cable is securely connected, please check if the meter is ready.");
}

TUsbSession::TUsbSession(THidDevice& device, const TDecodeSettings& settings)
    : device_(device), settings_(settings) {
    watchdog_.setInterval(kWatchdogMs);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { WatchdogTick(); });
}

TUsbSession::~TUsbSession() {
    Disconnect();
}

bool TUsbSession::Connect(QString& error) {
    device_.SetDataHandler({});
    const QByteArray feature = BuildFeatureReport(kLoggerLineBaudRate);
    device_.SetFeatureReport(reinterpret_cast<const uint8_t*>(feature.constData()),
                             uint32_t(feature.size()));
    state_.EmptyReports = 0;
    if (!device_.ReadWriteAccess()) {
        error = QStringLiteral("the interface cable cannot be opened for reading");
        return false;
    }
    state_.RxHex.clear();
    readout_.USBtxt.clear();
    connected_ = true;
    device_.SetDataHandler(THidDataEvent::WithCode(
        &kSessionHandlerTag, [this](THidDevice*, uint8_t reportId, const uint8_t* data,
                                    uint16_t size) { TakeReport(reportId, data, size); }));
    SendCommand(kCommandStart);
    watchdog_.start();
    return true;
}

void TUsbSession::Disconnect() {
    if (!connected_)
        return;
    connected_ = false;
    watchdog_.stop();
    SendCommand(kCommandNext);
    device_.SetDataHandler({});
}

void TUsbSession::StopLink(const QString& message) {
    connected_ = false;
    watchdog_.stop();
    device_.SetDataHandler({});
    if (OnLinkFailed)
        OnLinkFailed(message);
}

void TUsbSession::SendCommand(uint8_t command) {
    THidCaps caps{};
    device_.ReadCaps(caps);
    const QByteArray report = BuildCommandReport(command, caps.OutputReportByteLength);
    uint32_t written = 0;
    device_.WriteReport(reinterpret_cast<const uint8_t*>(report.constData()),
                        uint32_t(report.size()), written);
}

void TUsbSession::TakeReport(uint8_t reportId, const uint8_t* data, uint16_t size) {
    if (!connected_)
        return; // a delivery still pending when the link went down
    const TReportOutcome outcome =
        TakeInputReport(state_, readout_, reportId, std::span<const uint8_t>(data, size));
    if (outcome.kind != TReportKind::FrameClose)
        return;
    ++framesClosed_;
    if (outcome.decode) {
        try {
            DecodeFrame(settings_, readout_, state_);
        } catch (const TException& e) {
            // The frame stays as it was, for a look at what failed.
            StopLink(e.Message());
            return;
        }
        if (OnReading)
            OnReading(
                {state_.HumidityText, readout_.LCDTime, state_.TemperatureText, state_.UnitText});
        if (connected_)
            SendCommand(kCommandNext);
    }
    FinishFrame(state_, readout_, outcome.endMarker);
    if (OnFrameClosed)
        OnFrameClosed();
}

void TUsbSession::WatchdogTick() {
    const TWatchdogStep step = StepWatchdog(state_);
    if (step.linkCheck) {
        readout_.CONokVisible = false;
        readout_.CONokNVisible = true;
    }
    if (step.giveUp)
        StopLink(LoggerNotAnsweringMessage());
}
