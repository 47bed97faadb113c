#include "link/UsbSession.h"

#include "hid/HidControllerClass.h"

namespace {

constexpr int kWatchdogMs = 10;

// The code identity of the session's data handler.
const char kSessionHandlerTag = 0;

} // namespace

TUsbSession::TUsbSession(THidDevice& device, const TDecodeSettings& settings)
    : device_(device), settings_(settings), link_(*this, state_, readout_) {
    watchdog_.setInterval(kWatchdogMs);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { link_.WatchdogTick(); });
}

TUsbSession::~TUsbSession() {
    Disconnect();
}

bool TUsbSession::Connect(QString& error) {
    if (!link_.Press(true)) {
        error = QStringLiteral("the interface cable cannot be opened for reading");
        return false;
    }
    watchdog_.start();
    return true;
}

void TUsbSession::Disconnect() {
    if (!connected_)
        return;
    connected_ = false;
    watchdog_.stop();
    link_.Disconnect();
}

void TUsbSession::StopSelectedReader() {
    device_.SetDataHandler({});
}

void TUsbSession::StartReader(THidDevice& device) {
    connected_ = true;
    device.SetDataHandler(
        THidDataEvent::WithCode(&kSessionHandlerTag, [this](THidDevice* from, uint8_t reportId,
                                                            const uint8_t* data, uint16_t size) {
            if (connected_) // else a delivery still pending when the link went down
                link_.TakeReport(from, reportId, std::span<const uint8_t>(data, size));
        }));
}

void TUsbSession::StopReader(THidDevice* device) {
    if (device != nullptr)
        device->SetDataHandler({});
}

void TUsbSession::ReleaseLink() {
    connected_ = false;
    watchdog_.stop();
}

void TUsbSession::ShowMessage(const QString& text) {
    if (OnLinkFailed)
        OnLinkFailed(text);
}

void TUsbSession::DecodeFailed(const QString& message) {
    if (OnLinkFailed)
        OnLinkFailed(message);
}

bool TUsbSession::UseFrame() {
    DecodeFrame(settings_, readout_, state_);
    if (OnReading)
        OnReading({state_.HumidityText, readout_.LCDTime, state_.TemperatureText, state_.UnitText});
    return connected_; // OnReading may have ended the link
}

void TUsbSession::FrameClosed() {
    ++framesClosed_;
    if (OnFrameClosed)
        OnFrameClosed();
}
