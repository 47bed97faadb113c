#pragma once
// The HID access layer underneath the transport: what the controller and its devices need from
// the system, and nothing more. One backend per folder: hid/linux (libudev and hidraw), sim (the
// simulated bus of tests and the demonstration). The controller and device code above this seam
// is the same on every backend.
//
// Ownership: the platform object outlives every controller and device that uses it (the machine's
// platform is a process-wide object; a simulated bus is owned by whoever plugs devices into it).
// Handles are plain numbers owned by whoever opened them until they are passed to Close.
//
// Threads: binding, enumeration, opening for queries, reports and the change watch run on the
// event thread. Open, Close and the read operations may also run on a device's reader thread, and
// Close may run on the event thread while the reader waits on the same handle: the wait then
// ends and the read counts as failed.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using THidHandle = int64_t;
inline constexpr THidHandle kInvalidHidHandle = -1;

enum class THidAccess {
    ReadWrite,     // queries, feature and output reports
    QueryOnly,     // attributes, strings and capabilities only (no read or write permission)
    OverlappedRead // the reader's handle: asynchronous input-report reads
};

enum class THidWaitResult { Completed, TimedOut };

// What the system tells about one present HID interface. DevInstance stays the same while the
// interface stays plugged; it is the controller's identity key.
struct THidInterfaceDetail {
    uint32_t DevInstance = 0;
    QByteArray InterfacePath;       // every open uses it
    QByteArray SysPath;             // the system's own name of the interface
    QByteArray DeviceDesc;          // human-readable name as the system knows it
    QByteArray Mfg;                 // manufacturer, when known
    QByteArray Driver;              // driver bound to the interface
    QByteArray EnumeratorName;      // bus: "USB", "BLUETOOTH", "I2C", ...
    QByteArray LocationInformation; // physical location (port path)
    QList<QByteArray> HardwareId;   // hardware identifiers (module alias)
};

// One interface of an enumeration; nullopt when its details could not be read.
struct THidInterfaceEntry {
    std::optional<THidInterfaceDetail> detail;
};

struct THidAttributes {
    uint32_t Size = 12;
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// The capabilities of an interface. Report byte lengths include the report ID byte, which is 0
// for interfaces without numbered reports.
struct THidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

// Parsed description of an interface's reports, fetched once per device and kept for its life.
struct THidPreparsedData {
    THidCaps caps;
    bool numberedReports = false;
};
using THidPreparsed = std::shared_ptr<const THidPreparsedData>;

class IHidPlatform {
public:
    virtual ~IHidPlatform() = default;

    // ---- Binding of the system services (all or nothing) ----------------------------------
    // The device-setup services (enumeration) are reference counted: the first bind loads them,
    // later binds only count, the unbind that brings the count to 0 releases them.
    virtual bool BindSetupServices() = 0;
    virtual void UnbindSetupServices() = 0;
    // The HID services have no count: one unbind releases them whatever binds came before.
    virtual bool BindHidServices() = 0;
    virtual void UnbindHidServices() = 0;
    virtual bool HidServicesBound() const = 0;
    // The HID interface class; meaningful while the HID services are bound.
    virtual QUuid GetHidGuid() = 0;

    // ---- Enumeration ----------------------------------------------------------------------
    // The present interfaces of the class in the system's order; false when the system gave no
    // device set at all (the list then stays empty).
    virtual bool EnumerateInterfaces(const QUuid& classGuid,
                                     std::vector<THidInterfaceEntry>& entries) = 0;

    // ---- Handles --------------------------------------------------------------------------
    virtual THidHandle Open(const QByteArray& path, THidAccess access) = 0;
    virtual void Close(THidHandle handle) = 0;

    virtual bool GetAttributes(THidHandle handle, THidAttributes& attributes) = 0;
    virtual THidPreparsed GetPreparsedData(THidHandle handle) = 0;
    // Strings are UTF-16; the text ends at the first NUL or at the buffer's end.
    virtual bool GetProductString(THidHandle handle, char16_t* buffer, uint32_t bytes) = 0;
    virtual bool GetSerialNumberString(THidHandle handle, char16_t* buffer, uint32_t bytes) = 0;
    // String `index` of the device; index 0 is its language table. Only meaningful when
    // ReadsIndexedStrings() (a backend that cannot ask the device returns false there).
    virtual bool GetIndexedString(THidHandle handle, uint32_t index, char16_t* buffer,
                                  uint32_t bytes) = 0;
    virtual bool ReadsIndexedStrings() const = 0;

    // Byte 0 of a report is its report ID.
    virtual bool SetFeature(THidHandle handle, const uint8_t* report, uint32_t length) = 0;
    // Synchronous: returns once the report is sent.
    virtual bool Write(THidHandle handle, const uint8_t* report, uint32_t length,
                       uint32_t& written) = 0;

    // ---- Asynchronous input-report read (one read queued per handle) ----------------------
    // Queues a read into `buffer`; the buffer must stay valid until the read completed or was
    // cancelled. False (with LastError) when it cannot be queued.
    virtual bool BeginRead(THidHandle handle, uint8_t* buffer, uint32_t length) = 0;
    // Waits at most `timeout` for the queued read to complete.
    virtual THidWaitResult WaitRead(THidHandle handle, std::chrono::milliseconds timeout) = 0;
    // Bytes transferred by the completed read; false when it failed.
    virtual bool TakeReadCount(THidHandle handle, uint32_t& bytes) = 0;
    // Cancels the queued read; afterwards nothing is written into its buffer.
    virtual bool CancelRead(THidHandle handle) = 0;

    // The calling thread's last error code, its text, and the code of "device not connected".
    // The texts and the not-connected code default to POSIX error numbers (errno), which both
    // present backends use; a backend with codes of its own overrides them.
    virtual uint32_t LastError() const = 0;
    virtual QString ErrorText(uint32_t code) const;
    virtual uint32_t NotConnectedError() const;

    // ---- "The set of devices may have changed" --------------------------------------------
    // Installs the callback run on the event thread after each announcement; an empty
    // callback stops watching.
    virtual void WatchDeviceChanges(std::function<void()> onChange) = 0;
};

// The HID class GUID the transport falls back on when the HID services are not bound.
inline const QUuid kFallbackHidClassGuid{0x4D1E55B2, 0xF16F, 0x11CF, 0x88, 0xCB, 0x00,
                                         0x11,       0x11,   0x00,   0x00, 0x30};

// The machine's own HID platform (on Linux: libudev and hidraw). Process-wide; never null.
IHidPlatform& DefaultHidPlatform();
