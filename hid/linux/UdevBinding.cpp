#include "hid/linux/UdevBinding.h"

namespace {
template <class Entry>
void Resolve(TModuleHandle module, Entry& entry, const char* name, bool& ok) {
    entry = reinterpret_cast<Entry>(FindSymbolTracked(module, name, ok));
}
} // namespace

TUdevBinding::~TUdevBinding() {
    Release();
}

bool TUdevBinding::Bind() {
    // Counted first, as the matching Unbind lowers the count whatever this bind achieved. A
    // count above 1 only means "in force" when an earlier bind really loaded the library.
    if (++bindCount_ > 1 && Bound())
        return true;
    if (!OpenModule(module_, library_))
        return false;
    bool ok = true;
#define RX47_UDEV_ENTRY(name) Resolve(module_, api_.name, #name, ok)
    RX47_UDEV_ENTRY(udev_new);
    RX47_UDEV_ENTRY(udev_unref);
    RX47_UDEV_ENTRY(udev_enumerate_new);
    RX47_UDEV_ENTRY(udev_enumerate_unref);
    RX47_UDEV_ENTRY(udev_enumerate_add_match_subsystem);
    RX47_UDEV_ENTRY(udev_enumerate_scan_devices);
    RX47_UDEV_ENTRY(udev_enumerate_get_list_entry);
    RX47_UDEV_ENTRY(udev_list_entry_get_next);
    RX47_UDEV_ENTRY(udev_list_entry_get_name);
    RX47_UDEV_ENTRY(udev_device_new_from_syspath);
    RX47_UDEV_ENTRY(udev_device_new_from_subsystem_sysname);
    RX47_UDEV_ENTRY(udev_device_unref);
    RX47_UDEV_ENTRY(udev_device_get_devnode);
    RX47_UDEV_ENTRY(udev_device_get_devnum);
    RX47_UDEV_ENTRY(udev_device_get_syspath);
    RX47_UDEV_ENTRY(udev_device_get_property_value);
    RX47_UDEV_ENTRY(udev_device_get_parent_with_subsystem_devtype);
    RX47_UDEV_ENTRY(udev_device_get_sysattr_value);
    RX47_UDEV_ENTRY(udev_monitor_new_from_netlink);
    RX47_UDEV_ENTRY(udev_monitor_unref);
    RX47_UDEV_ENTRY(udev_monitor_filter_add_match_subsystem_devtype);
    RX47_UDEV_ENTRY(udev_monitor_enable_receiving);
    RX47_UDEV_ENTRY(udev_monitor_get_fd);
    RX47_UDEV_ENTRY(udev_monitor_receive_device);
#undef RX47_UDEV_ENTRY
    if (!ok)
        Release(); // all or none; the count stays raised until the matching Unbind
    return ok;
}

void TUdevBinding::Unbind() {
    if (--bindCount_ <= 0) {
        bindCount_ = 0;
        Release();
    }
}

void TUdevBinding::Release() {
    CloseModule(module_);
    api_ = TUdevApi{};
}
