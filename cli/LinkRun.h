#pragma once
// A run of rx47-cli on the interface cable, shared by read and record: finds the cable as the
// window's device list selects it, connects as Connect does (link/UsbSession.h) and runs the event
// loop until the command has what it wants, the replay file has been played to its last frame,
// Ctrl+C (or SIGTERM, SIGHUP) arrives, or the link fails. Every end but a failure disconnects
// cleanly.

#include "cli/CliHid.h"
#include "link/FrameDecoder.h"
#include "records/LoggingPolicy.h"

#include <QString>
#include <functional>

struct TCliEnvironment;

struct TLinkRunHooks {
    // Each decoded reading; false (error set) ends the run with exit code 1.
    std::function<bool(const TReading& reading, QString& error)> onReading;
    // Asked after each frame: true ends the run.
    std::function<bool()> done;
    // Once a second while the link is up (unset: no timer).
    std::function<void()> onSecond;
    // The link is up to the cable with this serial number (empty when it reports none).
    std::function<void(const QString& serial)> onConnected;
    // The link went down (at any end of the run).
    std::function<void()> onDisconnected;
    // After a clean end, the loop keeps running until `done` is called (a publisher sends what
    // it holds); Ctrl+C cuts the wait short. Unset: the run ends at once.
    std::function<void(std::function<void()> done)> drain;
    // Called before the link comes up with a function that ends the run with exit code 1 and
    // the message (for what fails outside the readings, such as a broker that refuses us).
    std::function<void(std::function<void(const QString& message)> fail)> attach;
};

// The exit code (cli/ExitCodes.h); messages go to the environment's standard error.
// `device` picks the cable (TCliHid::ChosenCable); empty: the window's choice.
int RunLink(const TCliEnvironment& environment, const TSimulateChoice& simulate,
            const QString& device, const TDecodeSettings& settings, const TLinkRunHooks& hooks);
