#pragma once
// What --simulate puts under either program: a simulated HID bus with the simulated "USB to
// Serial" cable plugged in, its logger making readings or replaying the frames of a file (at the
// end of the file the logger falls silent).

#include "sim/SimHidBus.h"
#include "sim/SimSerialCable.h"

#include <QString>
#include <memory>

struct TSimulatedCableBus {
    // Null when the replay file could not be read (`error` says why). The bus must outlive every
    // controller and device made on it.
    std::unique_ptr<TSimHidBus> bus;
    std::shared_ptr<TSimSerialCable> cable;
    QString error;
};

// An empty `replayFile`: generated readings.
TSimulatedCableBus MakeSimulatedCableBus(TSimCablePacing pacing, const QString& replayFile);
