#include "display/AfterFirstPaint.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Watches the widget for its first paint; a child of the widget, so it goes with it.
class TFirstPaintWatch : public QObject {
public:
    TFirstPaintWatch(QWidget& widget, std::function<void()> work)
        : QObject(&widget), work_(std::move(work)) {
        widget.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !posted_) {
            posted_ = true;
            watched->removeEventFilter(this);
            // Queued on the widget: after the paint has finished, and dropped if the widget goes
            // first.
            QMetaObject::invokeMethod(
                watched,
                [watch = QPointer<TFirstPaintWatch>(this)] {
                    if (!watch)
                        return;
                    const std::function<void()> work = std::move(watch->work_);
                    delete watch.data();
                    work();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> work_;
    bool posted_ = false;
};

} // namespace

void RunAfterFirstPaint(QWidget& widget, std::function<void()> work) {
    new TFirstPaintWatch(widget, std::move(work));
}
