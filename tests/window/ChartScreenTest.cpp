// The chart on the screen shows exactly its points: with live readings paging the view, nothing
// of the previous page (line, grid, axis labels) stays drawn. What the window shows is compared
// with a fresh paint of the chart.

#include "app/TFCOMM.h"
#include "records/RecordTable.h"
#include "sim/SimCableOnBus.h"
#include "support_gui/RecordingDialogs.h"

#include <QChartView>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// The chart as it stands in the window's backing store (what the screen shows).
QImage OnScreen(QWidget& view) {
    QWindow* window = view.window()->windowHandle();
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    return window->screen()
        ->grabWindow(window->winId(), at.x(), at.y(), view.width(), view.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage FreshlyPainted(QWidget& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(ChartScreen, LiveReadingsLeaveNothingOfThePreviousPage) {
    // The window as the demo runs it: its timers, the simulated cable at the logger's pace.
    TSimHidBus bus;
    bus.Plug(SimCableInterface(std::make_shared<TSimSerialCable>(TSimCablePacing::RealTime())));
    TRecordingDialogs dialogs;
    TFCOMMEnvironment environment;
    environment.dialogs = &dialogs;
    environment.hidPlatform = &bus;
    TFCOMM window(environment);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Maxrecord->setText("2"); // a page move every other reading
    window.Timer1Timer();
    window.USBCon->click();

    int staleLooks = 0;
    for (int look = 0; look < 400 && window.cds1->Count() < 8; ++look) {
        QTest::qWait(150);
        if (OnScreen(*window.Chtshow) == FreshlyPainted(*window.Chtshow))
            continue;
        // A repaint may be on its way; pixels still wrong once it has come, with no reading in
        // between, are stale.
        const int64_t readings = window.cds1->Count();
        QTest::qWait(100);
        if (window.cds1->Count() == readings &&
            OnScreen(*window.Chtshow) != FreshlyPainted(*window.Chtshow))
            ++staleLooks;
    }
    ASSERT_EQ(window.cds1->Count(), 8) << "the simulated logger stopped answering";
    EXPECT_EQ(staleLooks, 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
