// The machine's HID platform on Linux.

#include "hid/linux/LinuxHidPlatform.h"

IHidPlatform& DefaultHidPlatform() {
    static TLinuxHidPlatform platform;
    return platform;
}
