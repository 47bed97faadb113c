#include "link/LinkWatchdog.h"

TWatchdogStep StepWatchdog(TProgramState& state) {
    TWatchdogStep step;
    // Counting up to 2 (rather than "not 2") keeps the watchdog alive should LinkTicks ever pass 2.
    if (state.LinkTicks < 2) {
        ++state.LinkTicks;
        return step;
    }
    if (state.EmptyReports >= kSilentLoggerReports) {
        state.EmptyReports = 0;
        step.giveUp = true;
    }
    step.linkCheck = true;
    state.LinkTicks = 0;
    return step;
}
