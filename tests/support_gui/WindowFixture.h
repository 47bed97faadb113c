#pragma once
// A window built for tests: recorded dialogs, timers stopped (tests call the timer handlers),
// a fixed decimal separator unless a test asks otherwise.

#include "app/TFCOMM.h"
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
    std::unique_ptr<TFCOMM> window;
};
