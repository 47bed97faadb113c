#pragma once
// The link watchdog, run by the 10 ms link timer. Every third tick (LinkTicks counts 0, 1, 2; a
// decoded frame resets it, so the check moves later while frames arrive) it looks at the reports
// without payload: 3000 in a row (about 36 s of a silent logger) mean the logger does not answer.

#include "base/ProgramState.h"

struct TWatchdogStep {
    bool linkCheck = false; // the link images go to "no frames"
    bool giveUp = false;    // stop the reader, release Connect, tell the user
};

// Updates LinkTicks and EmptyReports (reset before the caller shows its message, so a message box
// left open does not repeat it) and says what the caller must do, give-up steps first.
TWatchdogStep StepWatchdog(TProgramState& state);

inline constexpr int32_t kSilentLoggerReports = 3000;
