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
                products_ << device->GetProductText();
                serials_ << device->GetSerialText();
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

int TCliHid::ChosenCable(const QString& choice, QString& error) const {
    if (choice.isEmpty())
        return CableIndex();
    const bool bySerial = choice.startsWith(QLatin1String("serial:"));
    const QString wanted = bySerial ? choice.mid(7) : choice;
    for (int i = 0; i < int(devices_.size()); ++i) {
        const bool match =
            bySerial
                ? serials_[i] == wanted
                : devices_[size_t(i)] &&
                      QString::fromLocal8Bit(devices_[size_t(i)]->PnP().InterfacePath) == wanted;
        if (!match)
            continue;
        if (products_[i] != QString::fromUtf16(kCableProductText)) {
            error = QStringLiteral("%1 is not a USB interface cable (\"USB to Serial\"): %2")
                        .arg(choice, captions_[i]);
            return -1;
        }
        return i;
    }
    error = QStringLiteral("no USB interface cable at %1 (rx47-cli list shows them)").arg(choice);
    return -1;
}
