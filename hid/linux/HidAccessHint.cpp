#include "hid/HidAccessHint.h"

#include "hid/HidControllerClass.h"

#include <cerrno>

bool HidAccessDenied(const THidDevice& device) {
    const uint32_t error = device.ReadWriteOpenError();
    return !device.ReadWriteAccess() && (error == EACCES || error == EPERM);
}

QString HidAccessDeniedMessage(const QByteArray& interfacePath) {
    return QStringLiteral(
               "The USB interface cable (%1) cannot be opened: permission denied.\n"
               "Install the udev rule 70-rx47.rules, which gives the logged-in user access to "
               "the cable. The rx47 package installs it; for a build of your own run\n"
               "  sudo cp packaging/udev/70-rx47.rules /etc/udev/rules.d/\n"
               "  sudo udevadm control --reload-rules\n"
               "then unplug the cable and plug it in again.")
        .arg(QString::fromLocal8Bit(interfacePath));
}
