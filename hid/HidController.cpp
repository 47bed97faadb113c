// THidDeviceController: the list of the system's HID interfaces, rescans, events, check-out.

#include "hid/HidControllerClass.h"

#include <QtDebug>
#include <algorithm>

namespace {
// Controllers in existence; event thread only.
int32_t controllerInstances = 0;

// Sets the device's InEvent flag for the length of an event call.
class TInEventScope {
public:
    TInEventScope(THidDevice* device, void (THidDevice::*set)(bool)) : device_(device), set_(set) {
        (device_->*set_)(true);
    }
    ~TInEventScope() { (device_->*set_)(false); }
    TInEventScope(const TInEventScope&) = delete;
    TInEventScope& operator=(const TInEventScope&) = delete;

private:
    THidDevice* device_;
    void (THidDevice::*set_)(bool);
};
} // namespace

int32_t THidDeviceController::ControllerInstances() {
    return controllerInstances;
}

THidDeviceController::THidDeviceController(IHidPlatform* platform)
    : platform_(platform != nullptr ? *platform : DefaultHidPlatform()) {
    // Refused before anything is bound: the HID binding has no count, so a failed second
    // controller that bound and unbound would take the first controller's binding away.
    if (controllerInstances >= 1)
        throw EControllerError(QStringLiteral("Only one THidDeviceController allowed per program"));
    ++controllerInstances;
    if (platform_.BindSetupServices())
        platform_.BindHidServices();
    hidClassGuid_ = platform_.HidServicesBound() ? platform_.GetHidGuid() : kFallbackHidClassGuid;
    for (std::unique_ptr<THidDevice>& device : BuildDeviceList())
        devices_.push_back(device.release());
    availableCount_ = static_cast<int32_t>(devices_.size());
    if (platform_.HidServicesBound())
        platform_.WatchDeviceChanges([this] { AnnouncedChange(); });
}

THidDeviceController::~THidDeviceController() {
    --controllerInstances;
    onDeviceChange_ = {};
    onDeviceUnplug_ = {};
    OnEnumerate = {};
    if (platform_.HidServicesBound())
        platform_.WatchDeviceChanges({});
    std::vector<THidDevice*> devices;
    devices.swap(devices_);
    for (THidDevice* device : devices) {
        device->controller_ = nullptr;
        if (device->CheckedOut()) {
            // The device stays with the application, but its reader must not outlive the
            // services it calls, which are unbound below.
            device->StopReader();
            device->MarkUnplugged();
        } else {
            delete device;
        }
    }
    platform_.UnbindHidServices();
    platform_.UnbindSetupServices();
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::BuildDeviceList() {
    std::vector<std::unique_ptr<THidDevice>> list;
    if (!platform_.HidServicesBound())
        return list;
    std::vector<THidInterfaceEntry> entries;
    if (!platform_.EnumerateInterfaces(hidClassGuid_, entries))
        return list;
    for (const THidInterfaceEntry& entry : entries) {
        if (!entry.detail)
            continue; // details unreadable: move on to the next interface
        try {
            list.push_back(std::make_unique<THidDevice>(
                platform_, std::make_unique<THidPnPInfo>(*entry.detail), this));
        } catch (const EControllerError&) {
            // An interface that cannot be opened or identified is left out.
        }
    }
    return list;
}

void THidDeviceController::DeviceChange() {
    try {
        Rescan();
    } catch (...) {
        RecountDevices(); // a handler raised: the counters still follow the list
        throw;
    }
}

void THidDeviceController::Rescan() {
    bool changed = false;
    std::vector<std::unique_ptr<THidDevice>> fresh = BuildDeviceList();
    const auto inFresh = [&fresh](uint32_t devInstance) {
        return std::any_of(fresh.begin(), fresh.end(), [devInstance](const auto& device) {
            return device && device->PnP().DevInstance == devInstance;
        });
    };

    for (std::size_t index = devices_.size(); index-- > 0;) {
        if (index >= devices_.size())
            continue; // a handler shortened the list
        THidDevice* device = devices_[index];
        if (device->Plugged() && inFresh(device->PnP().DevInstance))
            continue;
        device->MarkUnplugged();
        FireRemoval(device);
        changed = true;
        if (!device->CheckedOut()) {
            const auto slot = std::find(devices_.begin(), devices_.end(), device);
            if (slot != devices_.end()) {
                devices_.erase(slot);
                delete device;
            }
        }
    }

    for (std::unique_ptr<THidDevice>& candidate : fresh) {
        const uint32_t devInstance = candidate->PnP().DevInstance;
        const bool duplicate = std::any_of(devices_.begin(), devices_.end(), [&](THidDevice* d) {
            return d->Plugged() && d->PnP().DevInstance == devInstance;
        });
        if (duplicate) {
            candidate->controller_ = nullptr;
            candidate.reset();
        }
    }

    for (std::unique_ptr<THidDevice>& candidate : fresh) {
        if (!candidate)
            continue;
        THidDevice* device = candidate.release();
        devices_.push_back(device);
        changed = true;
        FireArrival(device);
    }

    RecountDevices();
    if (changed || !initialChangeSent_)
        FireDeviceChange();
}

void THidDeviceController::RecountDevices() {
    int32_t checkedOut = 0;
    int32_t unplugged = 0;
    for (const THidDevice* device : devices_) {
        checkedOut += device->CheckedOut() ? 1 : 0;
        unplugged += device->Plugged() ? 0 : 1;
    }
    availableCount_ = static_cast<int32_t>(devices_.size()) - checkedOut;
    unpluggedCount_ = unplugged;
    checkedOutCount_ = checkedOut - unplugged;
}

int32_t THidDeviceController::EnumerateDevices() {
    const std::size_t length = devices_.size();
    int32_t passed = 0;
    for (std::size_t index = 0; index < length && index < devices_.size(); ++index) {
        THidDevice* device = devices_[index];
        if (!device->Plugged())
            continue;
        ++passed;
        if (!FireEnumerate(device, static_cast<int32_t>(index)))
            break;
    }
    return passed;
}

bool THidDeviceController::FireEnumerate(THidDevice* device, int32_t index) {
    if (!OnEnumerate)
        return false;
    bool result;
    {
        TInEventScope scope(device, &THidDevice::SetInEvent);
        result = OnEnumerate(device, index);
    }
    // The handler may have released the device it took; only a device still in its slot is
    // touched again.
    const auto slot = static_cast<std::size_t>(index);
    if (slot < devices_.size() && devices_[slot] == device && !device->CheckedOut()) {
        device->CloseQueryHandle();
        device->CloseReadHandle();
    }
    return result;
}

bool THidDeviceController::ClaimDeviceAt(THidDevice*& device, int32_t index) {
    device = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size())
        return false;
    THidDevice* candidate = devices_[static_cast<std::size_t>(index)];
    if (candidate->CheckedOut())
        return false;
    device = candidate;
    candidate->SetCheckedOut(true);
    ++checkedOutCount_;
    --availableCount_;
    candidate->StartReaderIfReady();
    return true;
}

void THidDeviceController::FireArrival(THidDevice* device) {
    if (!OnArrival)
        return;
    const THidPlugEvent handler = OnArrival;
    TInEventScope scope(device, &THidDevice::SetInEvent);
    handler(device);
}

void THidDeviceController::FireRemoval(THidDevice* device) {
    if (!OnRemoval)
        return;
    const THidPlugEvent handler = OnRemoval;
    TInEventScope scope(device, &THidDevice::SetInEvent);
    handler(device);
}

void THidDeviceController::FireDeviceChange() {
    if (onDeviceChange_) {
        const THidNotifyEvent handler = onDeviceChange_;
        handler(this);
    }
}

void THidDeviceController::AnnouncedChange() {
    try {
        DeviceChange();
    } catch (const TException& error) {
        if (OnAnnouncedChangeError)
            OnAnnouncedChangeError(error);
        else
            qWarning("%s", error.what());
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
}

void THidDeviceController::CheckIn(THidDevice* device, std::unique_ptr<THidPnPInfo> pnp,
                                   const THidDataEvent& dataHandler,
                                   const THidPlugEvent& unplugHandler, int32_t sleepTime) {
    const auto slot = std::find(devices_.begin(), devices_.end(), device);
    if (slot == devices_.end())
        return;
    const bool wasCheckedOut = device->CheckedOut();
    if (!device->Plugged()) {
        devices_.erase(slot);
        --unpluggedCount_;
        return;
    }
    THidDevice* replacement = nullptr;
    try {
        replacement = new THidDevice(platform_, std::move(pnp), this);
    } catch (const EControllerError&) {
        // The interface cannot be opened again: its slot goes, so the list never holds the
        // released device. A later rescan lists the interface anew if it comes back.
    }
    if (replacement == nullptr) {
        devices_.erase(devices_.begin() + (slot - devices_.begin()));
        if (wasCheckedOut)
            --checkedOutCount_;
        else
            --availableCount_;
        return;
    }
    replacement->SetDataHandler(dataHandler);
    replacement->unplugHandler_ = unplugHandler;
    replacement->SetSleepTime(sleepTime);
    *std::find(devices_.begin(), devices_.end(), device) = replacement;
    if (wasCheckedOut) {
        --checkedOutCount_;
        ++availableCount_;
    }
}

void THidDeviceController::SetDevThreadSleepTime(int32_t milliseconds) {
    if (milliseconds == devThreadSleepTime_)
        return;
    for (THidDevice* device : devices_) {
        if (device->SleepTime() == devThreadSleepTime_)
            device->SetSleepTime(milliseconds);
    }
    devThreadSleepTime_ = milliseconds;
}

void THidDeviceController::SetOnDeviceData(const THidDataEvent& handler) {
    if (handler.SameCode(onDeviceData_))
        return;
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        if (devices_[index]->DataHandler().SameCode(onDeviceData_))
            devices_[index]->SetDataHandler(handler);
    }
    onDeviceData_ = handler;
}

void THidDeviceController::SetOnDeviceDataError(const THidDataErrorEvent& handler) {
    if (handler.SameCode(onDeviceDataError_))
        return;
    for (THidDevice* device : devices_) {
        if (device->ErrorHandler().SameCode(onDeviceDataError_))
            device->SetErrorHandler(handler);
    }
    onDeviceDataError_ = handler;
}

void THidDeviceController::SetOnDeviceUnplug(const THidPlugEvent& handler) {
    if (handler.SameCode(onDeviceUnplug_))
        return;
    for (THidDevice* device : devices_) {
        if (device->UnplugHandler().SameCode(onDeviceUnplug_))
            device->SetUnplugHandler(handler);
    }
    onDeviceUnplug_ = handler;
}

void THidDeviceController::SetOnDeviceChange(const THidNotifyEvent& handler) {
    if (handler.SameCode(onDeviceChange_))
        return;
    onDeviceChange_ = handler;
    DeviceChange();
    initialChangeSent_ = true;
}
