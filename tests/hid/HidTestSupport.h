#pragma once
// Shared pieces of the HID transport tests: a simulated bus with a controller on it, interface
// descriptions, and waiting on the event loop for a condition.

#include "hid/HidControllerClass.h"
#include "sim/ScriptedSimModel.h"
#include "sim/SimHidBus.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Runs the event loop until `condition` holds or `timeout` passed; the condition's last value.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Waits for `condition` without running the event loop (so no delivery runs meanwhile).
bool WaitWithoutEvents(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Runs the events already posted (and those they post) once.
void PumpPosted();

TSimHidInterface CableInterface(std::shared_ptr<ISimDeviceModel> model = nullptr,
                                std::u16string product = u"USB to Serial");

class HidBusTest : public ::testing::Test {
protected:
    void SetUp() override { bus.SetAnnounceOnPlug(false); }
    void TearDown() override;

    // A controller on the bus, its change handler recording into `events`.
    THidDeviceController& MakeController();
    // Records "unplug:N", "removal:N", "arrival:N" and "change" (N = device instance).
    void RecordEvents();

public:
    void RecordUnplug(THidDevice* device) { Record("unplug", device); }
    void RecordRemoval(THidDevice* device) { Record("removal", device); }
    void RecordArrival(THidDevice* device) { Record("arrival", device); }
    void RecordChange() { events << QStringLiteral("change"); }
    void Record(const char* what, THidDevice* device) {
        events << QStringLiteral("%1:%2").arg(what).arg(device->PnP().DevInstance);
    }

protected:
    TSimHidBus bus;
    std::unique_ptr<THidDeviceController> controller;
    std::vector<std::unique_ptr<THidDevice>> claimed; // released before the controller
    QStringList events;
};
