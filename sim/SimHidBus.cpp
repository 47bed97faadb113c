#include "sim/SimHidBus.h"

#include "hid/HidStrings.h"

#include <QMetaObject>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
thread_local uint32_t simLastError = 0;

bool Fail(uint32_t code) {
    simLastError = code;
    return false;
}
} // namespace

TSimHidBus::TSimHidBus() : context_(std::make_unique<QObject>()) {}

TSimHidBus::~TSimHidBus() = default;

QByteArray TSimHidBus::PathOf(uint32_t devInstance) {
    return "sim:" + QByteArray::number(devInstance);
}

uint32_t TSimHidBus::Plug(TSimHidInterface description) {
    auto device = std::make_shared<Interface>();
    device->description = std::move(description);
    {
        std::lock_guard lock(mutex_);
        device->devInstance = nextDevInstance_++;
        interfaces_.push_back(device);
    }
    if (announceOnPlug_)
        AnnounceChange();
    return device->devInstance;
}

void TSimHidBus::Unplug(uint32_t devInstance) {
    std::shared_ptr<Interface> device;
    {
        std::lock_guard lock(mutex_);
        const auto found =
            std::find_if(interfaces_.begin(), interfaces_.end(), [&](const auto& candidate) {
                return candidate->devInstance == devInstance;
            });
        if (found == interfaces_.end())
            return;
        device = *found;
        interfaces_.erase(found);
    }
    device->plugged.store(false);
    for (const std::shared_ptr<Handle>& handle : handles_.All()) {
        if (handle->device != device)
            continue;
        { std::lock_guard handleLock(handle->read.Mutex()); } // a waiter sleeps or sees it
        handle->closedSignal.notify_all();
    }
    if (announceOnPlug_)
        AnnounceChange();
}

void TSimHidBus::AnnounceChange() {
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            if (onChange_)
                onChange_();
        },
        Qt::QueuedConnection);
}

void TSimHidBus::WatchDeviceChanges(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
}

int TSimHidBus::OpenHandles(uint32_t devInstance) const {
    const auto device = FindInterface(devInstance);
    return device ? device->openHandles.load() : 0;
}

int TSimHidBus::OpenCalls(uint32_t devInstance) const {
    const auto device = FindInterface(devInstance);
    return device ? device->openCalls.load() : 0;
}

std::shared_ptr<TSimHidBus::Interface> TSimHidBus::FindInterface(uint32_t devInstance) const {
    std::lock_guard lock(mutex_);
    for (const auto& device : interfaces_) {
        if (device->devInstance == devInstance)
            return device;
    }
    return nullptr;
}

// ---- Binding ---------------------------------------------------------------------------------

bool TSimHidBus::BindSetupServices() {
    if (++setupBindCount_ > 1 && setupBound_)
        return true;
    setupBound_ = setupAvailable_;
    return setupBound_;
}

void TSimHidBus::UnbindSetupServices() {
    if (--setupBindCount_ <= 0)
        setupBound_ = false;
}

bool TSimHidBus::BindHidServices() {
    hidBound_ = hidAvailable_;
    return hidBound_;
}

void TSimHidBus::UnbindHidServices() {
    hidBound_ = false;
}

bool TSimHidBus::EnumerateInterfaces(const QUuid&, std::vector<THidInterfaceEntry>& entries) {
    entries.clear();
    if (!setupBound_)
        return false;
    std::lock_guard lock(mutex_);
    for (const auto& device : interfaces_) {
        THidInterfaceEntry entry;
        if (!device->description.detailsUnreadable) {
            THidInterfaceDetail detail;
            detail.DevInstance = device->devInstance;
            detail.InterfacePath = PathOf(device->devInstance);
            detail.SysPath = "/sim/hid/" + QByteArray::number(device->devInstance);
            detail.EnumeratorName = "SIM";
            entry.detail = std::move(detail);
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

// ---- Handles ---------------------------------------------------------------------------------

THidHandle TSimHidBus::Open(const QByteArray& path, THidAccess access) {
    if (!path.startsWith("sim:")) {
        Fail(ENOENT);
        return kInvalidHidHandle;
    }
    const auto device = FindInterface(path.mid(4).toUInt());
    if (!device) {
        Fail(ENOENT);
        return kInvalidHidHandle;
    }
    device->openCalls.fetch_add(1);
    const TSimOpenFailure failure = device->description.openFailure;
    if (failure == TSimOpenFailure::All ||
        (failure == TSimOpenFailure::ReadWrite && access == THidAccess::ReadWrite)) {
        Fail(EACCES);
        return kInvalidHidHandle;
    }
    if (failure == TSimOpenFailure::ReadWriteBusy && access == THidAccess::ReadWrite) {
        Fail(EBUSY);
        return kInvalidHidHandle;
    }
    auto handle = std::make_shared<Handle>();
    handle->device = device;
    handle->access = access;
    device->openHandles.fetch_add(1);
    return handles_.Add(std::move(handle));
}

void TSimHidBus::Close(THidHandle number) {
    const std::shared_ptr<Handle> handle = handles_.Remove(number);
    if (!handle)
        return;
    {
        std::lock_guard lock(handle->read.Mutex());
        handle->read.Close();
    }
    handle->closedSignal.notify_all();
    handle->device->openHandles.fetch_sub(1);
}

std::shared_ptr<TSimHidBus::Handle> TSimHidBus::LiveHandle(THidHandle number) const {
    std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle) {
        Fail(EBADF);
        return nullptr;
    }
    if (!handle->device->plugged.load()) {
        Fail(ENODEV);
        return nullptr;
    }
    return handle;
}

bool TSimHidBus::GetAttributes(THidHandle number, THidAttributes& attributes) {
    const auto handle = LiveHandle(number);
    if (!handle || handle->device->description.identifyFails)
        return false;
    const TSimHidInterface& description = handle->device->description;
    attributes.VendorID = description.vendorId;
    attributes.ProductID = description.productId;
    attributes.VersionNumber = description.version;
    return true;
}

THidPreparsed TSimHidBus::GetPreparsedData(THidHandle number) {
    const auto handle = LiveHandle(number);
    if (!handle)
        return nullptr;
    const TSimHidInterface& description = handle->device->description;
    auto preparsed = std::make_shared<THidPreparsedData>();
    preparsed->caps.InputReportByteLength = description.inputReportLength;
    preparsed->caps.OutputReportByteLength = description.outputReportLength;
    preparsed->caps.FeatureReportByteLength = description.featureReportLength;
    return preparsed;
}

bool TSimHidBus::CopyString(const std::optional<std::u16string>& text, char16_t* buffer,
                            uint32_t bytes) {
    if (!text)
        return Fail(EPIPE);
    FillStringBuffer(*text, buffer, bytes);
    return true;
}

bool TSimHidBus::GetProductString(THidHandle number, char16_t* buffer, uint32_t bytes) {
    const auto handle = LiveHandle(number);
    return handle && CopyString(handle->device->description.product, buffer, bytes);
}

bool TSimHidBus::GetSerialNumberString(THidHandle number, char16_t* buffer, uint32_t bytes) {
    const auto handle = LiveHandle(number);
    return handle && CopyString(handle->device->description.serial, buffer, bytes);
}

bool TSimHidBus::GetIndexedString(THidHandle number, uint32_t index, char16_t* buffer,
                                  uint32_t bytes) {
    const auto handle = LiveHandle(number);
    if (!handle)
        return false;
    if (index != 0)
        return Fail(EINVAL);
    return CopyString(handle->device->description.string0, buffer, bytes);
}

bool TSimHidBus::SetFeature(THidHandle number, const uint8_t* report, uint32_t length) {
    const auto handle = LiveHandle(number);
    if (!handle)
        return false;
    if (handle->access != THidAccess::ReadWrite)
        return Fail(EACCES);
    const auto& model = handle->device->description.model;
    return !model || model->FeatureReport(QByteArrayView(report, static_cast<qsizetype>(length))) ||
           Fail(EPIPE);
}

bool TSimHidBus::Write(THidHandle number, const uint8_t* report, uint32_t length,
                       uint32_t& written) {
    written = 0;
    const auto handle = LiveHandle(number);
    if (!handle)
        return false;
    if (handle->access != THidAccess::ReadWrite)
        return Fail(EACCES);
    const auto& model = handle->device->description.model;
    if (model && !model->OutputReport(QByteArrayView(report, static_cast<qsizetype>(length))))
        return Fail(EPIPE);
    written = length;
    return true;
}

// ---- Reads -----------------------------------------------------------------------------------

bool TSimHidBus::BeginRead(THidHandle number, uint8_t* buffer, uint32_t length) {
    const auto handle = LiveHandle(number);
    if (!handle)
        return false;
    std::lock_guard lock(handle->read.Mutex());
    const int refused = handle->read.Begin(buffer, length);
    return refused == 0 || Fail(uint32_t(refused));
}

THidWaitResult TSimHidBus::FailRead(Handle& handle) {
    handle.read.Fail();
    return THidWaitResult::Completed;
}

THidWaitResult TSimHidBus::WaitRead(THidHandle number, std::chrono::milliseconds timeout) {
    const std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle)
        return THidWaitResult::Completed; // closed: the read ends as failed
    THidQueuedRead& read = handle->read;
    const auto gone = [&] { return read.Closed() || !handle->device->plugged.load(); };
    const std::shared_ptr<ISimDeviceModel>& model = handle->device->description.model;
    if (!model) {
        // A device without input: the wait ends only when the handle closes or it is unplugged.
        std::unique_lock lock(read.Mutex());
        if (handle->closedSignal.wait_for(lock, timeout, gone))
            return FailRead(*handle);
        return THidWaitResult::TimedOut;
    }
    if (!handle->device->plugged.load()) {
        std::lock_guard lock(read.Mutex());
        return FailRead(*handle);
    }
    const std::optional<QByteArray> report = model->WaitInputReport(timeout);
    std::lock_guard lock(read.Mutex());
    if (gone() || !read.Queued())
        return FailRead(*handle);
    if (!report)
        return THidWaitResult::TimedOut;
    read.CompleteWith(std::span(reinterpret_cast<const uint8_t*>(report->constData()),
                                static_cast<size_t>(report->size())));
    return THidWaitResult::Completed;
}

bool TSimHidBus::TakeReadCount(THidHandle number, uint32_t& bytes) {
    bytes = 0;
    const std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle)
        return Fail(EBADF);
    std::lock_guard lock(handle->read.Mutex());
    return handle->read.TakeCount(bytes) || Fail(EIO);
}

bool TSimHidBus::CancelRead(THidHandle number) {
    const std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle)
        return Fail(EBADF);
    std::lock_guard lock(handle->read.Mutex());
    handle->read.Cancel();
    return true;
}

uint32_t TSimHidBus::LastError() const {
    return simLastError;
}
