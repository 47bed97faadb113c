#pragma once
// libudev bound at run time: the device-setup services of the Linux backend (enumeration of the
// hidraw class, the interfaces' udev properties, the device-change monitor). Only the entry
// points the backend calls are bound, all of them or none: a library that lacks one of them
// leaves every entry null and the transport without devices. An export the backend does not call
// may be missing.
//
// The binding is reference counted: the first Bind loads the library, later binds only count,
// the Unbind that brings the count to 0 releases it. Event thread only.

#include "hid/ModuleLoader.h"

#include <QByteArray>
#include <cstdint>
#include <sys/types.h>

struct udev;
struct udev_device;
struct udev_enumerate;
struct udev_list_entry;
struct udev_monitor;

struct TUdevApi {
    udev* (*udev_new)();
    udev* (*udev_unref)(udev*);
    udev_enumerate* (*udev_enumerate_new)(udev*);
    udev_enumerate* (*udev_enumerate_unref)(udev_enumerate*);
    int (*udev_enumerate_add_match_subsystem)(udev_enumerate*, const char*);
    int (*udev_enumerate_scan_devices)(udev_enumerate*);
    udev_list_entry* (*udev_enumerate_get_list_entry)(udev_enumerate*);
    udev_list_entry* (*udev_list_entry_get_next)(udev_list_entry*);
    const char* (*udev_list_entry_get_name)(udev_list_entry*);
    udev_device* (*udev_device_new_from_syspath)(udev*, const char*);
    udev_device* (*udev_device_new_from_subsystem_sysname)(udev*, const char*, const char*);
    udev_device* (*udev_device_unref)(udev_device*);
    const char* (*udev_device_get_devnode)(udev_device*);
    dev_t (*udev_device_get_devnum)(udev_device*);
    const char* (*udev_device_get_syspath)(udev_device*);
    const char* (*udev_device_get_property_value)(udev_device*, const char*);
    udev_device* (*udev_device_get_parent_with_subsystem_devtype)(udev_device*, const char*,
                                                                  const char*);
    const char* (*udev_device_get_sysattr_value)(udev_device*, const char*);
    udev_monitor* (*udev_monitor_new_from_netlink)(udev*, const char*);
    udev_monitor* (*udev_monitor_unref)(udev_monitor*);
    int (*udev_monitor_filter_add_match_subsystem_devtype)(udev_monitor*, const char*, const char*);
    int (*udev_monitor_enable_receiving)(udev_monitor*);
    int (*udev_monitor_get_fd)(udev_monitor*);
    udev_device* (*udev_monitor_receive_device)(udev_monitor*);
};

class TUdevBinding {
public:
    static constexpr const char* kDefaultLibrary = "libudev.so.1";
    explicit TUdevBinding(QByteArray library = kDefaultLibrary) : library_(std::move(library)) {}
    ~TUdevBinding();
    TUdevBinding(const TUdevBinding&) = delete;
    TUdevBinding& operator=(const TUdevBinding&) = delete;

    bool Bind();
    void Unbind();
    bool Bound() const { return module_ != nullptr; }
    int BindCount() const { return bindCount_; }
    // Every entry is null while the binding is not in force.
    const TUdevApi& Api() const { return api_; }

private:
    void Release();

    QByteArray library_;
    TModuleHandle module_ = nullptr;
    int bindCount_ = 0;
    TUdevApi api_{};
};
