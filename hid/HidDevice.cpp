// THidDevice and THidPnPInfo: one HID interface, its handles and caches, its reports and the
// start and stop of its reader.

#include "hid/HidControllerClass.h"
#include "hid/HidStrings.h"

#include <array>

THidPnPInfo::THidPnPInfo(const THidInterfaceDetail& detail)
    : DevInstance(detail.DevInstance), InterfacePath(detail.InterfacePath),
      PropDeviceDesc(detail.DeviceDesc), PropMfg(detail.Mfg), PropDriver(detail.Driver),
      PropEnumeratorName(detail.EnumeratorName),
      PropLocationInformation(detail.LocationInformation),
      PropPhysicalDeviceObjectName(detail.SysPath), PropHardwareId(detail.HardwareId) {}

THidDevice::THidDevice(IHidPlatform& platform, std::unique_ptr<THidPnPInfo> pnp,
                       THidDeviceController* controller)
    : platform_(platform), controller_(controller), pnp_(std::move(pnp)),
      port_(std::make_shared<THidReadPort>(platform, pnp_->InterfacePath)) {
    if (controller_ != nullptr) {
        SetDataHandler(controller_->OnDeviceData()); // not checked out: no reader starts
        unplugHandler_ = controller_->OnDeviceUnplug();
    }
    queryHandle_ = OpenWithFallback();
    if (queryHandle_ == kInvalidHidHandle)
        throw EControllerError(QStringLiteral("device cannot be opened"));
    identity_ = THidAttributes{};
    if (!platform_.GetAttributes(queryHandle_, identity_)) {
        CloseQueryHandle();
        throw EControllerError(QStringLiteral("device cannot be identified"));
    }
    CloseQueryHandle();
}

THidDevice::~THidDevice() {
    const THidDataEvent dataHandler = dataHandler_;
    const THidPlugEvent unplugHandler = unplugHandler_;
    SetDataHandler({});
    unplugHandler_ = {};
    CloseQueryHandle();
    CloseReadHandle();
    preparsed_.reset();
    if (controller_ != nullptr)
        controller_->CheckIn(this, std::move(pnp_), dataHandler, unplugHandler, SleepTime());
}

bool THidDevice::IsAccessible() const {
    return port_->Accessible();
}

THidHandle THidDevice::OpenWithFallback() {
    THidHandle handle = platform_.Open(pnp_->InterfacePath, THidAccess::ReadWrite);
    readWriteAccess_ = handle != kInvalidHidHandle;
    readWriteOpenError_ = readWriteAccess_ ? 0 : platform_.LastError();
    if (handle == kInvalidHidHandle)
        handle = platform_.Open(pnp_->InterfacePath, THidAccess::QueryOnly);
    return handle;
}

bool THidDevice::OpenQueryHandle() {
    if (IsAccessible() && queryHandle_ == kInvalidHidHandle)
        queryHandle_ = OpenWithFallback();
    // A handle left open stays usable even when the device is no longer accessible.
    return queryHandle_ != kInvalidHidHandle;
}

void THidDevice::CloseQueryHandle() {
    if (queryHandle_ != kInvalidHidHandle)
        platform_.Close(queryHandle_);
    queryHandle_ = kInvalidHidHandle;
}

const THidPreparsed& THidDevice::EnsurePreparsed() {
    if (preparsed_ == nullptr && OpenQueryHandle()) {
        preparsed_ = platform_.GetPreparsedData(queryHandle_);
        CloseQueryHandle();
    }
    return preparsed_;
}

void THidDevice::ReadCaps(THidCaps& caps) {
    caps = THidCaps{};
    if (const THidPreparsed& preparsed = EnsurePreparsed())
        caps = preparsed->caps;
}

QString THidDevice::GetProductText() {
    if (productTextCache_.isEmpty() && OpenQueryHandle()) {
        std::array<char16_t, kHidStringUnits> buffer{};
        if (platform_.GetProductString(queryHandle_, buffer.data(), sizeof(buffer)))
            productTextCache_ = HidBufferText(buffer);
        CloseQueryHandle();
    }
    return productTextCache_;
}

QString THidDevice::GetSerialText() {
    if (serialTextCache_.isEmpty() && OpenQueryHandle()) {
        std::array<char16_t, kHidStringUnits> serial{};
        if (platform_.GetSerialNumberString(queryHandle_, serial.data(), sizeof(serial))) {
            if (platform_.ReadsIndexedStrings()) {
                std::array<char16_t, kHidStringUnits> languages;
                languages.fill(u'\xFFFF');
                platform_.GetIndexedString(queryHandle_, 0, languages.data(), sizeof(languages));
                if (SerialDiffersFromLanguageTable(serial, languages))
                    serialTextCache_ = HidBufferText(serial);
            } else {
                const QString text = HidBufferText(serial);
                if (!LooksLikeLanguageTable(text))
                    serialTextCache_ = text;
            }
        }
        CloseQueryHandle();
    }
    return serialTextCache_;
}

bool THidDevice::WriteReport(const uint8_t* buffer, uint32_t length, uint32_t& written) {
    written = 0;
    if (!OpenQueryHandle())
        return false;
    return platform_.Write(queryHandle_, buffer, length, written);
}

bool THidDevice::SetFeatureReport(const uint8_t* buffer, uint32_t length) {
    if (!OpenQueryHandle())
        return false;
    return platform_.SetFeature(queryHandle_, buffer, length);
}

void THidDevice::SetDataHandler(const THidDataEvent& handler) {
    if (!handler)
        StopReader();
    dataHandler_ = handler;
    StartReaderIfReady();
}

void THidDevice::SetSleepTime(int32_t milliseconds) {
    if (milliseconds >= 10 && milliseconds <= 10000)
        port_->sleepTime.store(milliseconds);
}

void THidDevice::MarkUnplugged() {
    CloseQueryHandle();
    CloseReadHandle();
    port_->plugged.store(false);
    if (unplugHandler_) {
        const THidPlugEvent handler = unplugHandler_;
        unplugHandler_ = {};
        handler(this);
    }
}

void THidDevice::StartReaderIfReady() {
    if (!dataHandler_ || !Plugged() || !CheckedOut() || !readWriteAccess_ || reader_ != nullptr)
        return;
    // The capabilities are fetched here, on the event thread; the reader only uses its buffer.
    THidCaps caps;
    ReadCaps(caps);
    reader_ =
        std::make_shared<THidDeviceReadThread>(this, port_, caps.InputReportByteLength, unread_);
    reader_->Start();
}

void THidDevice::StopReader() {
    std::shared_ptr<THidDeviceReadThread> reader = std::move(reader_);
    reader_ = nullptr;
    if (reader == nullptr)
        return;
    if (reader->InDelivery()) {
        // Called from this reader's own handler: waiting here would wait for ourselves.
        reader->DeferStop(reader);
        return;
    }
    reader->RequestTerminate();
    reader->WaitFor();
}

void THidDevice::DeliverReport(const uint8_t* report, uint32_t bytesRead) {
    // A copy: the handler may replace itself or release the device while it runs.
    const THidDataEvent handler = dataHandler_;
    if (handler)
        handler(this, report[0], report + 1, static_cast<uint16_t>(bytesRead - 1));
}

void THidDevice::DeliverError(uint32_t error) {
    const THidDataErrorEvent handler = errorHandler_;
    if (handler)
        handler(this, error);
}
