#include "sim/SimulatedCableBus.h"

#include "sim/SimCableOnBus.h"
#include "sim/SimReplayFile.h"

TSimulatedCableBus MakeSimulatedCableBus(TSimCablePacing pacing, const QString& replayFile) {
    TSimulatedCableBus simulated;
    auto cable = std::make_shared<TSimSerialCable>(pacing);
    if (!replayFile.isEmpty()) {
        TSimReplay replay = LoadReplayFile(replayFile);
        if (!replay.error.isEmpty()) {
            simulated.error = replay.error;
            return simulated;
        }
        cable->SetReplayFrames(std::move(replay.frames));
    }
    simulated.bus = std::make_unique<TSimHidBus>();
    simulated.bus->Plug(SimCableInterface(cable));
    simulated.cable = std::move(cable);
    return simulated;
}
