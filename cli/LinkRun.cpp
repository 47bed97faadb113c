#include "cli/LinkRun.h"

#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "cli/InterruptWatcher.h"
#include "hid/HidAccessHint.h"
#include "link/UsbSession.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// The permission hint, once: for the cable when it was refused, else for the first device that
// was (it may be the cable under another name); true when one was shown.
bool ShowAccessHint(ICliOutput& output, const TCliHid& hid, const THidDevice* cable) {
    const THidDevice* refused = cable && HidAccessDenied(*cable) ? cable : nullptr;
    for (const auto& device : hid.Devices()) {
        if (!refused && device && HidAccessDenied(*device))
            refused = device.get();
    }
    if (!refused)
        return false;
    ReportError(output, HidAccessDeniedMessage(refused->PnP().InterfacePath));
    return true;
}

} // namespace

int RunLink(const TCliEnvironment& environment, const TSimulateChoice& simulate,
            const QString& deviceChoice, const TDecodeSettings& settings,
            const TLinkRunHooks& hooks) {
    ICliOutput& output = *environment.output;
    TCliHid hid;
    QString error;
    if (!hid.Open(environment, simulate, error)) {
        ReportError(output, error);
        return kExitFailed;
    }
    const int cable = hid.ChosenCable(deviceChoice, error);
    if (cable < 0 && !deviceChoice.isEmpty()) {
        ReportError(output, error);
        return kExitNoDevice;
    }
    THidDevice* device = cable < 0 ? nullptr : hid.Devices()[size_t(cable)].get();
    if (device == nullptr || HidAccessDenied(*device)) {
        if (!ShowAccessHint(output, hid, device))
            ReportError(output, QStringLiteral("no USB interface cable (\"USB to Serial\") found"));
        return kExitNoDevice;
    }

    TUsbSession session(*device, settings);
    QEventLoop loop;
    bool finished = false;
    bool loopOver = false;
    int exitCode = kExitOk;
    const auto endLoop = [&] {
        loopOver = true;
        loop.quit();
    };
    const auto finish = [&](int code) {
        if (finished)
            return;
        finished = true;
        exitCode = code;
        const bool wasConnected = session.Connected();
        session.Disconnect();
        if (wasConnected && hooks.onDisconnected)
            hooks.onDisconnected();
        if (code == kExitOk && hooks.drain)
            hooks.drain(endLoop);
        else
            endLoop();
    };
    TSimSerialCable* simulated = hid.SimulatedCable();
    const auto runIsOver = [&] {
        const bool replayDone = simulated && !simulate.replayFile.isEmpty() &&
                                simulated->ReplayFinished() &&
                                session.FramesClosed() >= simulated->FramesSent();
        return replayDone || (hooks.done && hooks.done());
    };

    session.OnReading = [&](const TReading& reading) {
        QString readingError;
        if (!hooks.onReading(reading, readingError)) {
            ReportError(output, readingError);
            finish(kExitFailed);
        }
    };
    session.OnFrameClosed = [&] {
        if (runIsOver())
            finish(exitCode);
    };
    session.OnLinkFailed = [&](const QString& message) {
        ReportError(output, message);
        finish(kExitFailed);
    };

    TInterruptWatcher interrupts;
    QObject::connect(&interrupts, &TInterruptWatcher::Interrupted, &loop, [&](int) {
        if (finished)
            endLoop(); // a second Ctrl+C, or one while draining
        else
            finish(kExitOk);
    });
    QTimer seconds;
    if (hooks.onSecond) {
        seconds.setInterval(1000);
        QObject::connect(&seconds, &QTimer::timeout, &loop, [&] { hooks.onSecond(); });
        seconds.start();
    }

    if (hooks.attach) {
        hooks.attach([&](const QString& message) {
            ReportError(output, message);
            finish(kExitFailed);
        });
    }
    if (!session.Connect(error)) {
        ReportError(output, error);
        return kExitNoDevice;
    }
    if (hooks.onConnected)
        hooks.onConnected(hid.SerialOf(cable));
    if (!finished && runIsOver()) // an empty replay file
        finish(kExitOk);
    if (!loopOver)
        loop.exec();
    return exitCode;
}
