#pragma once
// The HID transport: the controller that lists the system's HID interfaces and follows plug and
// unplug, one device object per interface, its reader thread and its interface record. The same
// code runs on every platform; the system is reached only through IHidPlatform.

#include "base/Exceptions.h"
#include "hid/HidDeviceReadThread.h"
#include "hid/HidEvents.h"
#include "hid/HidPlatform.h"
#include "hid/HidReadPort.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The transport's exception: "Only one THidDeviceController allowed per program", "device
// cannot be opened", "device cannot be identified".
class EControllerError : public TException {
public:
    using TException::TException;
};

// What the system reports about one interface. Owned by its device; a replacement device made at
// release takes it over. Only DevInstance and InterfacePath are used by the transport; the others
// are kept for the curious.
class THidPnPInfo {
public:
    explicit THidPnPInfo(const THidInterfaceDetail& detail);

    uint32_t DevInstance = 0; // identity of the interface while it stays plugged
    QByteArray InterfacePath; // every open uses it
    QByteArray PropDeviceDesc;
    QByteArray PropMfg;
    QByteArray PropDriver;
    QByteArray PropEnumeratorName;
    QByteArray PropLocationInformation;
    QByteArray PropPhysicalDeviceObjectName; // the system's own name (sysfs path on Linux)
    QList<QByteArray> PropHardwareId;
};

// One HID interface. Created by the controller at each scan; the controller owns it while it is
// listed and not checked out. After ClaimDeviceAt the application owns it and releases it by
// deleting it, which hands a fresh device for the same interface back to the controller's list
// (or drops the list slot when the interface is gone). Everything here runs on the event thread;
// the device's reader (see THidDeviceReadThread) reads on its own thread and delivers on the
// event thread.
class THidDevice {
public:
    // Opens the interface briefly to identify it; raises EControllerError "device cannot be
    // opened" or "device cannot be identified". Takes the controller's data and unplug handlers.
    THidDevice(IHidPlatform& platform, std::unique_ptr<THidPnPInfo> pnp,
               THidDeviceController* controller);
    // Release: stops the reader, closes the handles and returns the interface to the controller.
    ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    // Plugged and (checked out or inside an enumerate, arrival or removal event).
    bool IsAccessible() const;
    // Capabilities; all zero for a device that was never accessible.
    void ReadCaps(THidCaps& caps);
    // Cached after the first read; a device that is not accessible returns what it has.
    QString GetProductText();
    // Empty when the device has none, or reports its language table as serial number.
    QString GetSerialText();
    uint16_t VendorID() const { return identity_.VendorID; }
    uint16_t ProductID() const { return identity_.ProductID; }
    uint16_t VersionNumber() const { return identity_.VersionNumber; }
    const THidAttributes& IdentityRecord() const { return identity_; }
    // The query handle was last opened for reading and writing (reading needs it).
    bool ReadWriteAccess() const { return readWriteAccess_; }
    // The system's error code of the last read-write open that failed; 0 after one that worked.
    uint32_t ReadWriteOpenError() const { return readWriteOpenError_; }

    // One output report, byte 0 the report ID; synchronous. False when the device is not
    // accessible, cannot be opened, or the system refused it.
    bool WriteReport(const uint8_t* buffer, uint32_t length, uint32_t& written);
    // One feature report, byte 0 the report ID.
    bool SetFeatureReport(const uint8_t* buffer, uint32_t length);

    // An empty handler stops the reader (waiting for it, running its pending deliveries); a
    // handler starts one when the device is checked out, plugged and read-write accessible.
    // Called from inside this device's own delivery, the stop completes once the handler returns.
    void SetDataHandler(const THidDataEvent& handler);
    const THidDataEvent& DataHandler() const { return dataHandler_; }
    void SetErrorHandler(const THidDataErrorEvent& handler) { errorHandler_ = handler; }
    const THidDataErrorEvent& ErrorHandler() const { return errorHandler_; }
    void SetUnplugHandler(const THidPlugEvent& handler) { unplugHandler_ = handler; }
    const THidPlugEvent& UnplugHandler() const { return unplugHandler_; }

    // The reader's wait slice in milliseconds; values outside 10 to 10000 are ignored.
    void SetSleepTime(int32_t milliseconds);
    int32_t SleepTime() const { return port_->sleepTime.load(); }

    // Closes the handles, clears Plugged, calls the unplug handler once. The reader keeps running.
    void MarkUnplugged();

    THidDeviceController* Controller() const { return controller_; }
    bool Plugged() const { return port_->plugged.load(); }
    bool CheckedOut() const { return port_->checkedOut.load(); }
    bool InEvent() const { return port_->inEvent.load(); }
    bool HasReader() const { return reader_ != nullptr; }
    // A report or error of the reader waits for the event thread.
    bool ReaderDeliveryPending() const { return reader_ != nullptr && reader_->DeliveryPending(); }
    const THidPnPInfo& PnP() const { return *pnp_; }
    // The system's text for an error code of the error event.
    QString SystemErrorText(uint32_t code) const { return platform_.ErrorText(code); }

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;
    friend struct THidDeliveryChannel;

    THidHandle OpenWithFallback(); // read-write, else query-only; sets ReadWriteAccess
    bool OpenQueryHandle();
    void CloseQueryHandle();
    void CloseReadHandle() { port_->Close(); }
    const THidPreparsed& EnsurePreparsed();
    void StartReaderIfReady();
    void StopReader();

    // Event thread, from the reader's deliveries. The handler call is the last thing they do:
    // the handler may release this device.
    void DeliverReport(const uint8_t* report, uint32_t bytesRead);
    void DeliverError(uint32_t error);

    void SetInEvent(bool inEvent) { port_->inEvent.store(inEvent); }
    void SetCheckedOut(bool checkedOut) { port_->checkedOut.store(checkedOut); }

    IHidPlatform& platform_;
    THidDeviceController* controller_;
    THidHandle queryHandle_ = kInvalidHidHandle;
    THidAttributes identity_;
    std::unique_ptr<THidPnPInfo> pnp_;
    // The flags, the wait slice and the read handle, shared with the reader so that it can end
    // on its own after this device is gone.
    std::shared_ptr<THidReadPort> port_;
    QString productTextCache_;
    THidPreparsed preparsed_;
    QString serialTextCache_;
    THidDataEvent dataHandler_;
    THidDataErrorEvent errorHandler_;
    THidPlugEvent unplugHandler_;
    bool readWriteAccess_ = false;
    uint32_t readWriteOpenError_ = 0;
    std::shared_ptr<THidDeviceReadThread> reader_;
    // Reports a stopped reader had read but not delivered; the next reader delivers them first.
    std::shared_ptr<THidBacklog> unread_ = std::make_shared<THidBacklog>();
};

// The list of the system's HID interfaces, kept up to date on every announced change. The
// application (the window) owns the controller; the controller owns the listed devices that are
// not checked out. One controller per program. Everything runs on the event thread.
//
//   THidDeviceController ctl;                 // the machine's platform
//   THidDeviceController ctl(&simBus);        // a simulated bus (sim/SimHidBus.h)
//
// Checked-out devices outlive the controller: its destruction stops their readers and marks them
// unplugged; the application still deletes them.
class THidDeviceController {
public:
    // Binds the platform services and builds the first list. Raises EControllerError "Only one
    // THidDeviceController allowed per program" when another controller exists; the failed
    // attempt binds nothing, so the first controller keeps its bindings.
    explicit THidDeviceController(IHidPlatform* platform = nullptr);
    ~THidDeviceController();
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    // Rescans and reports: removals (last to first), arrivals (in system order), then one
    // OnDeviceChange when anything changed or the first change is still due. Exceptions raised
    // by the handlers pass out.
    void DeviceChange();
    // Calls OnEnumerate for each plugged listed device with its index until it returns false;
    // the number of devices passed.
    int32_t EnumerateDevices();
    // Checks out the device at `index` (device is null and the result false when the index is
    // outside the list or the device is already checked out). Starts its reader when ready.
    bool ClaimDeviceAt(THidDevice*& device, int32_t index);

    // Set directly.
    THidPlugEvent OnArrival;
    THidEnumerateEvent OnEnumerate;
    THidPlugEvent OnRemoval;
    // A handler raised inside a rescan that the system announced (there is no caller to pass
    // the error to). Unset: the error is written to the debug output.
    std::function<void(const TException&)> OnAnnouncedChangeError;

    // Assigning a new handler runs DeviceChange at once, so it receives a first change.
    void SetOnDeviceChange(const THidNotifyEvent& handler);
    const THidNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
    // Passed on to the listed devices whose handler has the code of the current one.
    void SetOnDeviceData(const THidDataEvent& handler);
    const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
    void SetOnDeviceDataError(const THidDataErrorEvent& handler);
    const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
    void SetOnDeviceUnplug(const THidPlugEvent& handler);
    const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
    // Passed on to the listed devices that use the current value; stored without range check.
    void SetDevThreadSleepTime(int32_t milliseconds);
    int32_t DevThreadSleepTime() const { return devThreadSleepTime_; }

    QString Version() const { return QStringLiteral("1.0.22"); }
    void SetVersion(const QString&) {}

    int32_t AvailableCount() const { return availableCount_; }
    int32_t CheckedOutCount() const { return checkedOutCount_; }
    int32_t UnpluggedCount() const { return unpluggedCount_; }
    bool InitialChangeSent() const { return initialChangeSent_; }
    const QUuid& HidClassGuid() const { return hidClassGuid_; }
    const std::vector<THidDevice*>& Devices() const { return devices_; }

    static int32_t ControllerInstances();

private:
    friend class THidDevice;

    std::vector<std::unique_ptr<THidDevice>> BuildDeviceList();
    void Rescan();
    void FireArrival(THidDevice* device);
    void FireRemoval(THidDevice* device);
    bool FireEnumerate(THidDevice* device, int32_t index);
    void FireDeviceChange();
    void RecountDevices();
    void AnnouncedChange();
    // A device of the list is being released (see ~THidDevice).
    void CheckIn(THidDevice* device, std::unique_ptr<THidPnPInfo> pnp,
                 const THidDataEvent& dataHandler, const THidPlugEvent& unplugHandler,
                 int32_t sleepTime);

    IHidPlatform& platform_;
    QUuid hidClassGuid_;
    THidNotifyEvent onDeviceChange_;
    THidDataEvent onDeviceData_;
    THidDataErrorEvent onDeviceDataError_;
    THidPlugEvent onDeviceUnplug_;
    bool initialChangeSent_ = false;
    int32_t devThreadSleepTime_ = 100;
    std::vector<THidDevice*> devices_; // owned unless checked out
    int32_t availableCount_ = 0;
    int32_t checkedOutCount_ = 0;
    int32_t unpluggedCount_ = 0;
};
