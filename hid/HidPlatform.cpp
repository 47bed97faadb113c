#include "hid/HidPlatform.h"

#include <cerrno>
#include <cstring>

QString IHidPlatform::ErrorText(uint32_t code) const {
    return QString::fromLocal8Bit(std::strerror(static_cast<int>(code)));
}

uint32_t IHidPlatform::NotConnectedError() const {
    return ENODEV;
}
