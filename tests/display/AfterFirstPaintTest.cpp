// Start-up work deferred past the first paint: it waits for that paint, runs once after it, and
// never runs for a widget that goes first.

#include "display/AfterFirstPaint.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts the paints the widget has handled.
class TPaintCount : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(AfterFirstPaintTest, RunsOnceAfterTheFirstPaint) {
    TPaintCount widget;
    widget.resize(80, 40);
    int runs = 0;
    int paintsBeforeRun = -1;
    RunAfterFirstPaint(widget, [&] {
        ++runs;
        paintsBeforeRun = widget.paints;
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0) << "a hidden widget has not painted";

    widget.show();
    ASSERT_TRUE(WaitUntil([&] { return runs == 1; }));
    EXPECT_GE(paintsBeforeRun, 1) << "the work comes after the first paint, not before";

    widget.repaint();
    widget.hide();
    widget.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1) << "later paints do not run it again";
}

TEST(AfterFirstPaintTest, WorkOfAWidgetDeletedBeforeItRanIsDropped) {
    bool ran = false;
    {
        auto widget = std::make_unique<TPaintCount>();
        RunAfterFirstPaint(*widget, [&] { ran = true; });
        widget->show();
        widget->repaint(); // painted now; the work is queued behind it
        widget.reset();
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

} // namespace
