#include "hid/linux/LinuxHidPlatform.h"

#include "hid/HidQueuedRead.h"
#include "hid/HidStrings.h"
#include "hid/linux/HidReportDescriptor.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
thread_local uint32_t linuxLastError = 0;

bool Fail(int code) {
    linuxLastError = static_cast<uint32_t>(code);
    return false;
}

bool CopyText(const std::optional<QString>& text, char16_t* buffer, uint32_t bytes) {
    if (!text)
        return Fail(EPIPE);
    FillStringBuffer(std::u16string_view(reinterpret_cast<const char16_t*>(text->utf16()),
                                         static_cast<std::size_t>(text->size())),
                     buffer, bytes);
    return true;
}

QByteArray Text(const char* value) {
    return value != nullptr ? QByteArray(value) : QByteArray();
}
} // namespace

struct TLinuxHidPlatform::Handle {
    int fd = -1;
    int wakeFd = -1; // written by Close to end a reader's poll
    THidAccess access = THidAccess::QueryOnly;
    std::optional<TUdevHidRecord> record; // query handles only (udev runs on the event thread)
    bool numberedReports = false;         // read handles: reports carry their ID byte

    THidQueuedRead read;
    bool dead = false; // under read's mutex: the node reported an error, the device is gone

    ~Handle() {
        if (fd >= 0)
            ::close(fd);
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
};

TLinuxHidPlatform::TLinuxHidPlatform(QByteArray udevLibrary) : udev_(std::move(udevLibrary)) {}

TLinuxHidPlatform::~TLinuxHidPlatform() {
    StopWatching();
    if (context_ != nullptr && udev_.Bound())
        udev_.Api().udev_unref(context_);
    context_ = nullptr;
}

// ---- Binding ---------------------------------------------------------------------------------

bool TLinuxHidPlatform::BindSetupServices() {
    if (!udev_.Bind())
        return false;
    if (context_ == nullptr)
        context_ = udev_.Api().udev_new();
    return context_ != nullptr;
}

void TLinuxHidPlatform::UnbindSetupServices() {
    if (udev_.BindCount() <= 1) {
        StopWatching();
        if (context_ != nullptr && udev_.Bound())
            udev_.Api().udev_unref(context_);
        context_ = nullptr;
    }
    udev_.Unbind();
}

bool TLinuxHidPlatform::BindHidServices() {
    hidBound_ = true;
    return true;
}

void TLinuxHidPlatform::UnbindHidServices() {
    hidBound_ = false;
}

// ---- Enumeration -----------------------------------------------------------------------------

uint32_t TLinuxHidPlatform::DevInstanceOf(const QByteArray& key) {
    const auto found = devInstances_.constFind(key);
    if (found != devInstances_.constEnd())
        return found.value();
    const uint32_t devInstance = nextDevInstance_++;
    devInstances_.insert(key, devInstance);
    return devInstance;
}

bool TLinuxHidPlatform::EnumerateInterfaces(const QUuid&,
                                            std::vector<THidInterfaceEntry>& entries) {
    entries.clear();
    if (!udev_.Bound() || context_ == nullptr)
        return false;
    const TUdevApi& api = udev_.Api();
    udev_enumerate* enumerate = api.udev_enumerate_new(context_);
    if (enumerate == nullptr)
        return false;
    api.udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    api.udev_enumerate_scan_devices(enumerate);
    for (udev_list_entry* item = api.udev_enumerate_get_list_entry(enumerate); item != nullptr;
         item = api.udev_list_entry_get_next(item)) {
        THidInterfaceEntry entry;
        udev_device* device =
            api.udev_device_new_from_syspath(context_, api.udev_list_entry_get_name(item));
        const char* devnode = device != nullptr ? api.udev_device_get_devnode(device) : nullptr;
        if (devnode != nullptr) {
            THidInterfaceDetail detail;
            detail.InterfacePath = devnode;
            detail.SysPath = Text(api.udev_device_get_syspath(device));
            detail.DevInstance = DevInstanceOf(
                detail.SysPath + '|' +
                QByteArray::number(static_cast<qulonglong>(api.udev_device_get_devnum(device))) +
                '|' + Text(api.udev_device_get_property_value(device, "USEC_INITIALIZED")));
            if (udev_device* hid =
                    api.udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
                detail.DeviceDesc = Text(api.udev_device_get_property_value(hid, "HID_NAME"));
                detail.Driver = Text(api.udev_device_get_property_value(hid, "DRIVER"));
                detail.LocationInformation =
                    Text(api.udev_device_get_property_value(hid, "HID_PHYS"));
                const QByteArray alias = Text(api.udev_device_get_property_value(hid, "MODALIAS"));
                if (!alias.isEmpty())
                    detail.HardwareId.append(alias);
                const auto numbers =
                    ParseHidId(Text(api.udev_device_get_property_value(hid, "HID_ID")));
                detail.EnumeratorName = BusName(numbers ? numbers->bus : 0);
            }
            if (udev_device* usb =
                    api.udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device"))
                detail.Mfg = Text(api.udev_device_get_sysattr_value(usb, "manufacturer"));
            entry.detail = std::move(detail);
        }
        if (device != nullptr)
            api.udev_device_unref(device);
        entries.push_back(std::move(entry));
    }
    api.udev_enumerate_unref(enumerate);
    return true;
}

std::optional<TUdevHidRecord> TLinuxHidPlatform::RecordOf(const QByteArray& devnode) {
    if (!udev_.Bound() || context_ == nullptr)
        return std::nullopt;
    const TUdevApi& api = udev_.Api();
    const QByteArray sysname = devnode.mid(devnode.lastIndexOf('/') + 1);
    udev_device* device =
        api.udev_device_new_from_subsystem_sysname(context_, "hidraw", sysname.constData());
    if (device == nullptr)
        return std::nullopt;
    TUdevHidRecord record;
    if (udev_device* hid =
            api.udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
        record.hidId = Text(api.udev_device_get_property_value(hid, "HID_ID"));
        record.hidName = Text(api.udev_device_get_property_value(hid, "HID_NAME"));
        record.hidUniq = Text(api.udev_device_get_property_value(hid, "HID_UNIQ"));
        record.hidPhys = Text(api.udev_device_get_property_value(hid, "HID_PHYS"));
        record.hidSysPath = Text(api.udev_device_get_syspath(hid));
    }
    if (udev_device* usb =
            api.udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
        const auto attribute = [&](const char* name) -> std::optional<QByteArray> {
            const char* value = api.udev_device_get_sysattr_value(usb, name);
            return value != nullptr ? std::optional<QByteArray>(value) : std::nullopt;
        };
        record.onUsb = true;
        record.usbProduct = attribute("product");
        record.usbSerial = attribute("serial");
        record.usbManufacturer = attribute("manufacturer");
        record.usbBcdDevice = attribute("bcdDevice");
    }
    api.udev_device_unref(device);
    return record;
}

// ---- Handles ---------------------------------------------------------------------------------

std::shared_ptr<TLinuxHidPlatform::Handle> TLinuxHidPlatform::Find(THidHandle number) const {
    std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle)
        Fail(EBADF);
    return handle;
}

THidHandle TLinuxHidPlatform::Open(const QByteArray& path, THidAccess access) {
    auto handle = std::make_shared<Handle>();
    handle->access = access;
    switch (access) {
    case THidAccess::ReadWrite:
        handle->fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        break;
    case THidAccess::QueryOnly:
        handle->fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (handle->fd < 0)
            handle->fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
        break;
    case THidAccess::OverlappedRead:
        handle->fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        break;
    }
    const int openError = errno;
    if (access == THidAccess::OverlappedRead) {
        if (handle->fd < 0) {
            Fail(openError);
            return kInvalidHidHandle;
        }
        handle->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (handle->wakeFd < 0) {
            Fail(errno);
            return kInvalidHidHandle;
        }
        const auto parsed = ParseReportDescriptor(ReportDescriptor(*handle));
        handle->numberedReports = parsed.data && parsed.data->numberedReports;
        return handles_.Add(std::move(handle));
    }
    handle->record = RecordOf(path);
    // Without read or write permission a query handle still answers from udev and sysfs, as
    // long as the node exists.
    if (handle->fd < 0 && (access == THidAccess::ReadWrite || !handle->record ||
                           ::access(path.constData(), F_OK) != 0)) {
        Fail(openError);
        return kInvalidHidHandle;
    }
    return handles_.Add(std::move(handle));
}

void TLinuxHidPlatform::Close(THidHandle number) {
    const std::shared_ptr<Handle> handle = handles_.Remove(number);
    if (!handle)
        return;
    {
        std::lock_guard lock(handle->read.Mutex());
        handle->read.Close();
    }
    if (handle->wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(handle->wakeFd, &one, sizeof(one));
    }
}

bool TLinuxHidPlatform::GetAttributes(THidHandle number, THidAttributes& attributes) {
    const auto handle = Find(number);
    if (!handle)
        return false;
    if (handle->fd >= 0) {
        hidraw_devinfo info{};
        if (::ioctl(handle->fd, HIDIOCGRAWINFO, &info) < 0)
            return Fail(errno);
        attributes.VendorID = static_cast<uint16_t>(info.vendor);
        attributes.ProductID = static_cast<uint16_t>(info.product);
    } else {
        const auto numbers = handle->record ? ParseHidId(handle->record->hidId) : std::nullopt;
        if (!numbers)
            return Fail(ENODATA);
        attributes.VendorID = numbers->vendor;
        attributes.ProductID = numbers->product;
    }
    attributes.VersionNumber = handle->record ? VersionNumberOf(*handle->record) : 0;
    return true;
}

std::vector<uint8_t> TLinuxHidPlatform::ReportDescriptor(const Handle& handle) const {
    if (handle.fd >= 0) {
        int size = 0;
        if (::ioctl(handle.fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0)
            return {};
        auto descriptor = std::make_unique<hidraw_report_descriptor>();
        descriptor->size = static_cast<uint32_t>(std::min(size, HID_MAX_DESCRIPTOR_SIZE));
        if (::ioctl(handle.fd, HIDIOCGRDESC, descriptor.get()) < 0)
            return {};
        return {descriptor->value, descriptor->value + descriptor->size};
    }
    if (!handle.record || handle.record->hidSysPath.isEmpty())
        return {};
    QFile file(QString::fromLocal8Bit(handle.record->hidSysPath + "/report_descriptor"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(HID_MAX_DESCRIPTOR_SIZE);
    return {bytes.begin(), bytes.end()};
}

THidPreparsed TLinuxHidPlatform::GetPreparsedData(THidHandle number) {
    const auto handle = Find(number);
    if (!handle)
        return nullptr;
    const auto parsed = ParseReportDescriptor(ReportDescriptor(*handle));
    if (!parsed.data) {
        Fail(EINVAL);
        return nullptr;
    }
    return std::make_shared<THidPreparsedData>(*parsed.data);
}

bool TLinuxHidPlatform::GetProductString(THidHandle number, char16_t* buffer, uint32_t bytes) {
    const auto handle = Find(number);
    return handle && handle->record && CopyText(ProductStringOf(*handle->record), buffer, bytes);
}

bool TLinuxHidPlatform::GetSerialNumberString(THidHandle number, char16_t* buffer, uint32_t bytes) {
    const auto handle = Find(number);
    return handle && handle->record && CopyText(SerialStringOf(*handle->record), buffer, bytes);
}

bool TLinuxHidPlatform::GetIndexedString(THidHandle, uint32_t, char16_t*, uint32_t) {
    return Fail(ENOSYS); // hidraw offers no string requests
}

bool TLinuxHidPlatform::SetFeature(THidHandle number, const uint8_t* report, uint32_t length) {
    const auto handle = Find(number);
    if (!handle)
        return false;
    if (handle->fd < 0 || handle->access != THidAccess::ReadWrite)
        return Fail(EACCES);
    if (::ioctl(handle->fd, HIDIOCSFEATURE(length), report) < 0)
        return Fail(errno);
    return true;
}

bool TLinuxHidPlatform::Write(THidHandle number, const uint8_t* report, uint32_t length,
                              uint32_t& written) {
    written = 0;
    const auto handle = Find(number);
    if (!handle)
        return false;
    if (handle->fd < 0 || handle->access != THidAccess::ReadWrite)
        return Fail(EACCES);
    const ssize_t sent = ::write(handle->fd, report, length);
    if (sent < 0)
        return Fail(errno);
    written = static_cast<uint32_t>(sent);
    return true;
}

// ---- Reads -----------------------------------------------------------------------------------

bool TLinuxHidPlatform::BeginRead(THidHandle number, uint8_t* buffer, uint32_t length) {
    const auto handle = Find(number);
    if (!handle)
        return false;
    std::lock_guard lock(handle->read.Mutex());
    if (handle->read.Closed() || handle->access != THidAccess::OverlappedRead)
        return Fail(EBADF);
    if (handle->dead)
        return Fail(ENODEV);
    if (length == 0 || (!handle->numberedReports && length < 2))
        return Fail(EINVAL);
    const int refused = handle->read.Begin(buffer, length);
    return refused == 0 || Fail(refused);
}

THidWaitResult TLinuxHidPlatform::WaitRead(THidHandle number, std::chrono::milliseconds timeout) {
    const std::shared_ptr<Handle> handle = handles_.Find(number);
    if (!handle)
        return THidWaitResult::Completed; // closed: the read ends as failed
    THidQueuedRead& read = handle->read;
    const auto fail = [&](int code) {
        read.Fail();
        linuxLastError = static_cast<uint32_t>(code);
        return THidWaitResult::Completed;
    };
    {
        std::lock_guard lock(read.Mutex());
        if (read.Closed() || !read.Queued())
            return fail(EBADF);
    }
    pollfd fds[2] = {{handle->fd, POLLIN, 0}, {handle->wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return THidWaitResult::TimedOut;
    const int pollError = errno;
    std::lock_guard lock(read.Mutex());
    if (ready < 0)
        return fail(pollError);
    if (read.Closed() || fds[1].revents != 0 || !read.Queued())
        return fail(EBADF);
    if ((fds[0].revents & POLLIN) != 0) {
        // Reports of an interface without numbered reports come without their ID byte; the
        // transport always sees one, 0 for such interfaces.
        const bool prefix = !handle->numberedReports;
        const std::span<uint8_t> buffer = read.Buffer();
        const std::span<uint8_t> target = prefix ? buffer.subspan(1) : buffer;
        const ssize_t got = ::read(handle->fd, target.data(), target.size());
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return THidWaitResult::TimedOut;
            handle->dead = true;
            return fail(errno);
        }
        if (prefix)
            buffer[0] = 0;
        read.Complete(static_cast<uint32_t>(got) + (prefix ? 1 : 0));
        return THidWaitResult::Completed;
    }
    handle->dead = true; // POLLERR, POLLHUP: the node went away
    return fail(ENODEV);
}

bool TLinuxHidPlatform::TakeReadCount(THidHandle number, uint32_t& bytes) {
    bytes = 0;
    const auto handle = Find(number);
    if (!handle)
        return false;
    std::lock_guard lock(handle->read.Mutex());
    return handle->read.TakeCount(bytes) || Fail(EIO);
}

bool TLinuxHidPlatform::CancelRead(THidHandle number) {
    const auto handle = Find(number);
    if (!handle)
        return false;
    std::lock_guard lock(handle->read.Mutex());
    handle->read.Cancel();
    return true;
}

uint32_t TLinuxHidPlatform::LastError() const {
    return linuxLastError;
}

// ---- Device changes --------------------------------------------------------------------------

void TLinuxHidPlatform::WatchDeviceChanges(std::function<void()> onChange) {
    if (!onChange) {
        StopWatching();
        return;
    }
    onChange_ = std::move(onChange);
    if (monitor_ != nullptr || !udev_.Bound() || context_ == nullptr)
        return;
    const TUdevApi& api = udev_.Api();
    monitor_ = api.udev_monitor_new_from_netlink(context_, "udev");
    if (monitor_ == nullptr)
        return; // no udev daemon to listen to (a container): no announcements
    api.udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    api.udev_monitor_enable_receiving(monitor_);
    const int fd = api.udev_monitor_get_fd(monitor_);
    if (fd < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        const TUdevApi& udevApi = udev_.Api();
        while (udev_device* device = udevApi.udev_monitor_receive_device(monitor_))
            udevApi.udev_device_unref(device);
        if (onChange_)
            onChange_();
    });
}

void TLinuxHidPlatform::StopWatching() {
    onChange_ = nullptr;
    notifier_.reset();
    if (monitor_ != nullptr && udev_.Bound())
        udev_.Api().udev_monitor_unref(monitor_);
    monitor_ = nullptr;
}
