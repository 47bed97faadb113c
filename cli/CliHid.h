#pragma once
// The HID interfaces a run of rx47-cli works with: the machine's, a test's platform, or a bus with
// the simulated cable (--simulate, --simulate=FILE replaying recorded frames). Lists them as the
// window's device list does and checks every device out, so that the caller may connect to one.

#include "hid/HidControllerClass.h"
#include "link/DeviceList.h"
#include "sim/SimulatedCableBus.h"

#include <QStringList>
#include <memory>
#include <vector>

struct TCliEnvironment;
struct TParsedArgs;

struct TSimulateChoice {
    bool on = false;
    QString replayFile; // empty: generated readings
};

// --simulate / --simulate=FILE of a parsed command line.
TSimulateChoice SimulateChoice(const TParsedArgs& args);

class TCliHid {
public:
    TCliHid() = default;
    ~TCliHid();
    TCliHid(const TCliHid&) = delete;
    TCliHid& operator=(const TCliHid&) = delete;

    // False with `error` set when the replay file or the HID services fail.
    bool Open(const TCliEnvironment& environment, const TSimulateChoice& simulate, QString& error);

    // One line per interface, the window's device text.
    const QStringList& Captions() const { return captions_; }
    const std::vector<std::unique_ptr<THidDevice>>& Devices() const { return devices_; }
    // The line the window selects (the cable); -1 when there is none.
    int CableIndex() const { return SelectCableLine(captions_); }
    // The simulated cable, or null.
    TSimSerialCable* SimulatedCable() const { return simulated_.cable.get(); }

private:
    TSimulatedCableBus simulated_; // outlives the controller and the devices
    std::unique_ptr<THidDeviceController> controller_;
    std::vector<std::unique_ptr<THidDevice>> devices_;
    QStringList captions_;
};
