/* A stand-in for libudev, built by the test suite: it exports exactly the entry points the HID
 * backend binds (one of them left out when RX47_STANDIN_WITHOUT_MONITOR_RECEIVE is defined) and
 * nothing else, so a binding test shows that unused exports are not needed. The hidraw class it
 * offers is empty and it has no device monitor. */

#include <stddef.h>
#include <sys/types.h>

struct udev { int unused; };
struct udev_enumerate { int unused; };
static struct udev context;
static struct udev_enumerate enumeration;

struct udev* udev_new(void) { return &context; }
struct udev* udev_unref(struct udev* u) { (void)u; return NULL; }
struct udev_enumerate* udev_enumerate_new(struct udev* u) { (void)u; return &enumeration; }
struct udev_enumerate* udev_enumerate_unref(struct udev_enumerate* e) { (void)e; return NULL; }
int udev_enumerate_add_match_subsystem(struct udev_enumerate* e, const char* s) { (void)e; (void)s; return 0; }
int udev_enumerate_scan_devices(struct udev_enumerate* e) { (void)e; return 0; }
void* udev_enumerate_get_list_entry(struct udev_enumerate* e) { (void)e; return NULL; }
void* udev_list_entry_get_next(void* entry) { (void)entry; return NULL; }
const char* udev_list_entry_get_name(void* entry) { (void)entry; return NULL; }
void* udev_device_new_from_syspath(struct udev* u, const char* p) { (void)u; (void)p; return NULL; }
void* udev_device_new_from_subsystem_sysname(struct udev* u, const char* s, const char* n) { (void)u; (void)s; (void)n; return NULL; }
void* udev_device_unref(void* d) { (void)d; return NULL; }
const char* udev_device_get_devnode(void* d) { (void)d; return NULL; }
dev_t udev_device_get_devnum(void* d) { (void)d; return 0; }
const char* udev_device_get_syspath(void* d) { (void)d; return NULL; }
const char* udev_device_get_property_value(void* d, const char* k) { (void)d; (void)k; return NULL; }
void* udev_device_get_parent_with_subsystem_devtype(void* d, const char* s, const char* t) { (void)d; (void)s; (void)t; return NULL; }
const char* udev_device_get_sysattr_value(void* d, const char* a) { (void)d; (void)a; return NULL; }
void* udev_monitor_new_from_netlink(struct udev* u, const char* n) { (void)u; (void)n; return NULL; }
void* udev_monitor_unref(void* m) { (void)m; return NULL; }
int udev_monitor_filter_add_match_subsystem_devtype(void* m, const char* s, const char* t) { (void)m; (void)s; (void)t; return 0; }
int udev_monitor_enable_receiving(void* m) { (void)m; return 0; }
int udev_monitor_get_fd(void* m) { (void)m; return -1; }
#ifndef RX47_STANDIN_WITHOUT_MONITOR_RECEIVE
void* udev_monitor_receive_device(void* m) { (void)m; return NULL; }
#endif
