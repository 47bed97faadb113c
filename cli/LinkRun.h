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
};

// The exit code (cli/ExitCodes.h); messages go to the environment's standard error.
int RunLink(const TCliEnvironment& environment, const TSimulateChoice& simulate,
            const TDecodeSettings& settings, const TLinkRunHooks& hooks);
