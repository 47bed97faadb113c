#include "support_gui/WindowFixture.h"

void WindowTest::MakeWindow(TFCOMMEnvironment environment) {
    window.reset();
    environment.dialogs = &dialogs;
    environment.startTimers = false;
    if (environment.hidPlatform == nullptr)
        environment.hidPlatform = &hidBus;
    if (!environment.decimalSepQuery)
        environment.decimalSepQuery = &WindowTest::PointSeparator;
    window = std::make_unique<TFCOMM>(environment);
}
