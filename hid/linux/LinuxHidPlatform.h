#pragma once
// The Linux HID platform: libudev (bound at run time) lists the hidraw class and watches it;
// hidraw nodes carry the HID operations (HIDIOCGRAWINFO for the attributes, the report descriptor
// for the report lengths, HIDIOCSFEATURE, write() and poll()/read()). The identity strings come
// from the USB device above the interface (see UdevHidRecord.h).
//
// The HID services need no library on Linux (the hidraw calls are system calls); their binding
// is a flag with the semantics of the interface. String 0 cannot be read through hidraw, so
// ReadsIndexedStrings() is false and the device applies its language-table check instead.
//
// The device-instance key is a number given to each (sysfs path, device number, udev
// initialisation time) seen: it stays the same while the interface stays plugged and changes
// when it is plugged again.
//
// Ownership: the platform owns its handles' file descriptors; a handle closed while a reader
// polls it is woken through its own eventfd and closed once the reader lets go. udev calls run
// on the event thread only.

#include "hid/HidHandleTable.h"
#include "hid/HidPlatform.h"
#include "hid/linux/UdevBinding.h"
#include "hid/linux/UdevHidRecord.h"

#include <QHash>
#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>

class QSocketNotifier;

class TLinuxHidPlatform : public IHidPlatform {
public:
    explicit TLinuxHidPlatform(QByteArray udevLibrary = TUdevBinding::kDefaultLibrary);
    ~TLinuxHidPlatform() override;

    const TUdevBinding& Udev() const { return udev_; }

    bool BindSetupServices() override;
    void UnbindSetupServices() override;
    bool BindHidServices() override;
    void UnbindHidServices() override;
    bool HidServicesBound() const override { return hidBound_; }
    QUuid GetHidGuid() override { return kFallbackHidClassGuid; }
    bool EnumerateInterfaces(const QUuid& classGuid,
                             std::vector<THidInterfaceEntry>& entries) override;
    THidHandle Open(const QByteArray& path, THidAccess access) override;
    void Close(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    THidPreparsed GetPreparsedData(THidHandle handle) override;
    bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bytes) override;
    bool GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bytes) override;
    bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                          uint32_t bytes) override;
    bool ReadsIndexedStrings() const override { return false; }
    bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) override;
    bool Write(THidHandle handle, const uint8_t* report, uint32_t length,
               uint32_t& written) override;
    bool BeginRead(THidHandle handle, uint8_t* buffer, uint32_t length) override;
    THidWaitResult WaitRead(THidHandle handle, std::chrono::milliseconds timeout) override;
    bool TakeReadCount(THidHandle handle, uint32_t& bytes) override;
    bool CancelRead(THidHandle handle) override;
    uint32_t LastError() const override;
    void WatchDeviceChanges(std::function<void()> onChange) override;

private:
    struct Handle;

    std::shared_ptr<Handle> Find(THidHandle handle) const;
    std::optional<TUdevHidRecord> RecordOf(const QByteArray& devnode);
    std::vector<uint8_t> ReportDescriptor(const Handle& handle) const;
    uint32_t DevInstanceOf(const QByteArray& key);
    void StopWatching();

    TUdevBinding udev_;
    udev* context_ = nullptr;
    bool hidBound_ = false;
    THidHandleTable<Handle> handles_;
    QHash<QByteArray, uint32_t> devInstances_;
    uint32_t nextDevInstance_ = 1;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onChange_;
};
