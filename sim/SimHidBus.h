#pragma once
// A simulated HID bus: a complete IHidPlatform on which tests and the demonstration plug and
// unplug virtual HID interfaces. Each interface has chosen identity strings, numbers and report
// lengths, may refuse to be opened or identified, and produces its input reports (and answers
// output and feature reports) through an ISimDeviceModel.
//
//   TSimHidBus bus;
//   auto model = std::make_shared<TScriptedSimModel>();
//   const uint32_t id = bus.Plug({.product = u"USB to Serial", .vendorId = 0x1A86, ...,
//                                 .model = model});
//   THidDeviceController controller(&bus);
//   bus.Unplug(id);   // announced: the controller rescans at the next turn of the event loop
//
// Ownership: the bus owns the interfaces and shares each model with the caller; it must outlive
// the controller and every device made on it. Plug, Unplug and the knobs run on the event thread
// (the thread that created the bus); the read operations run on reader threads.

#include "hid/HidHandleTable.h"
#include "hid/HidPlatform.h"
#include "hid/HidQueuedRead.h"
#include "sim/SimDeviceModel.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class TSimOpenFailure {
    None,
    ReadWrite,     // no permission: the read-write open fails, the query-only open works
    ReadWriteBusy, // as ReadWrite, but refused as busy rather than for lack of permission
    All            // nothing opens ("device cannot be opened")
};

struct TSimHidInterface {
    std::optional<std::u16string> product;             // nullopt: the request fails
    std::optional<std::u16string> serial;              // nullopt: the request fails
    std::optional<std::u16string> string0 = u"\u0409"; // language table; nullopt: unreadable
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0x0100;
    uint16_t inputReportLength = 0; // report ID included
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
    TSimOpenFailure openFailure = TSimOpenFailure::None;
    bool identifyFails = false;     // attributes cannot be read ("device cannot be identified")
    bool detailsUnreadable = false; // listed by the enumeration, but without details
    std::shared_ptr<ISimDeviceModel> model; // null: no input, reports accepted
};

class TSimHidBus : public IHidPlatform {
public:
    TSimHidBus();
    ~TSimHidBus() override;

    // Plugs an interface and announces the change; the result is its device-instance key.
    uint32_t Plug(TSimHidInterface description);
    // Unplugs an interface and announces the change: its open handles stop working.
    void Unplug(uint32_t devInstance);
    // Posts "the set of devices may have changed" to the event thread.
    void AnnounceChange();
    // Whether Plug and Unplug announce (on by default).
    void SetAnnounceOnPlug(bool announce) { announceOnPlug_ = announce; }

    // Emulates a system without the device-setup or the HID services.
    void SetSetupServicesAvailable(bool available) { setupAvailable_ = available; }
    void SetHidServicesAvailable(bool available) { hidAvailable_ = available; }
    int SetupBindCount() const { return setupBindCount_; }
    bool SetupServicesBound() const { return setupBound_; }
    bool Watching() const { return static_cast<bool>(onChange_); }

    // Handles of an interface that are open now, and opens made so far.
    int OpenHandles(uint32_t devInstance) const;
    int OpenCalls(uint32_t devInstance) const;
    static QByteArray PathOf(uint32_t devInstance);

    // IHidPlatform
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
    bool ReadsIndexedStrings() const override { return true; }
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
    struct Interface {
        uint32_t devInstance = 0;
        TSimHidInterface description;
        std::atomic<bool> plugged{true};
        std::atomic<int> openHandles{0};
        std::atomic<int> openCalls{0};
    };
    struct Handle {
        std::shared_ptr<Interface> device;
        THidAccess access = THidAccess::QueryOnly;
        THidQueuedRead read;
        std::condition_variable closedSignal; // with read's mutex: closed, or unplugged
    };

    std::shared_ptr<Interface> FindInterface(uint32_t devInstance) const;
    std::shared_ptr<Handle> LiveHandle(THidHandle handle) const;
    static bool CopyString(const std::optional<std::u16string>& text, char16_t* buffer,
                           uint32_t bytes);
    // The queued read of `handle` ends failed.
    static THidWaitResult FailRead(Handle& handle);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Interface>> interfaces_; // plug order
    uint32_t nextDevInstance_ = 1;
    THidHandleTable<Handle> handles_;
    std::unique_ptr<QObject> context_; // posted announcements die with the bus
    std::function<void()> onChange_;
    bool announceOnPlug_ = true;
    bool setupAvailable_ = true;
    bool hidAvailable_ = true;
    int setupBindCount_ = 0;
    bool setupBound_ = false;
    bool hidBound_ = false;
};
