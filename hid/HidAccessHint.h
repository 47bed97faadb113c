#pragma once
// Telling the user why the interface cable is listed but cannot be read. On Linux a hidraw node
// belongs to root unless a udev rule hands it to the logged-in user; the device is then opened
// for queries only (it is listed with its strings) and Connect would do nothing without a word.

#include <QByteArray>
#include <QString>

class THidDevice;

// The device's read-write open was refused for lack of permission.
bool HidAccessDenied(const THidDevice& device);

// What the window and rx47-cli say, once per run: the node, the udev rule and how to install it.
QString HidAccessDeniedMessage(const QByteArray& interfacePath);
