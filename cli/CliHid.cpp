#include "cli/CliHid.h"

#include "cli/CliArgs.h"
#include "cli/CliEnvironment.h"
#include "link/DeviceList.h"
#include "sim/SimulatedCableBus.h"

namespace {
const char kEnumerateTag = 0;
} // namespace

TSimulateChoice SimulateChoice(const TParsedArgs& args) {
    TSimulateChoice choice;
    choice.on = args.Has(QStringLiteral("simulate"));
    choice.replayFile = args.Value(QStringLiteral("simulate"));
    return choice;
}

TCliHid::~TCliHid() {
    devices_.clear(); // their readers stop before the controller and the bus go
    controller_.reset();
}

bool TCliHid::Open(const TCliEnvironment& environment, const TSimulateChoice& simulate,
                   QString& error) {
    IHidPlatform* platform = environment.hidPlatform;
    if (simulate.on) {
        simulated_ =
            MakeSimulatedCableBus(environment.instantSimulation ? TSimCablePacing::Instant()
                                                                : TSimCablePacing::RealTime(),
                                  simulate.replayFile);
        if (!simulated_.bus) {
            error = simulated_.error;
            return false;
        }
        platform = simulated_.bus.get();
    }
    try {
        controller_ = std::make_unique<THidDeviceController>(platform);
        controller_->OnEnumerate =
            THidEnumerateEvent::WithCode(&kEnumerateTag, [this](THidDevice* device, int32_t index) {
                TListedDevice listed = ListDevice(*controller_, *device, index);
                captions_ << listed.caption;
                devices_.push_back(std::move(listed.device));
                return true;
            });
        controller_->DeviceChange();
        controller_->EnumerateDevices();
    } catch (const TException& e) {
        error = e.Message();
        return false;
    }
    return true;
}
