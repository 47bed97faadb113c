// Program entry: one window, the event loop until the application is told to terminate.
//
// Without options the program uses the machine's HID devices only. --simulate puts the simulated
// "USB to Serial" cable with an RX47 logger on a simulated HID bus (--simulate=FILE replays
// recorded frames; at the end of the file the logger falls silent), and --connect presses
// Connect once the window is up.

#include "app/AppOptions.h"
#include "app/TFCOMM.h"
#include "sim/SimCableOnBus.h"
#include "sim/SimReplayFile.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    // Read before the application object exists: --help and a wrong command line need no display.
    const TAppOptions options = ParseAppOptions(ArgumentList(argc, argv));
    if (!options.error.isEmpty()) {
        fprintf(stderr, "%s\n", qPrintable(options.error));
        return 2;
    }
    if (options.help) {
        fprintf(stdout, "%s", qPrintable(AppUsage()));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString());

    // The bus outlives the window, whose HID controller and devices use it.
    std::unique_ptr<TSimHidBus> simBus;
    if (options.simulate) {
        auto cable = std::make_shared<TSimSerialCable>(TSimCablePacing::RealTime());
        if (!options.replayFile.isEmpty()) {
            TSimReplay replay = LoadReplayFile(options.replayFile);
            if (!replay.error.isEmpty()) {
                fprintf(stderr, "rx47: %s\n", qPrintable(replay.error));
                return 2;
            }
            cable->SetReplayFrames(std::move(replay.frames));
        }
        simBus = std::make_unique<TSimHidBus>();
        simBus->Plug(SimCableInterface(cable));
    }

    TFCOMMEnvironment environment;
    environment.hidPlatform = simBus.get(); // null: the machine's platform
    TFCOMM window(environment);
    window.show();
    if (options.connect)
        QTimer::singleShot(0, &window, [&window] { window.USBCon->click(); });
    return QApplication::exec();
}
