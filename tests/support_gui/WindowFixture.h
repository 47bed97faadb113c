#pragma once
// A window built for tests: recorded dialogs, timers stopped (tests call the timer handlers),
// a fixed decimal separator unless a test asks otherwise, and a simulated HID bus that stays empty
// unless a test plugs a device into it or gives the window a bus of its own. A test window never
// sees the machine's own HID devices.

#include "app/TFCOMM.h"
#include "sim/SimHidBus.h"
#include "support_gui/RecordingDialogs.h"

#include <gtest/gtest.h>
#include <memory>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { MakeWindow(); }
    void TearDown() override { window.reset(); }

    // Builds (or rebuilds) the window with the given environment tweaks.
    void MakeWindow(TFCOMMEnvironment environment = {});
    static QByteArray PointSeparator() { return "."; }

    TRecordingDialogs dialogs;
    TSimHidBus hidBus; // outlives the window, whose devices use it
    std::unique_ptr<TFCOMM> window;
};
