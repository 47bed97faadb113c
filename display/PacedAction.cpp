#include "display/PacedAction.h"

TPacedAction::TPacedAction(int periodMs, std::function<void()> action)
    : periodMs_(periodMs), action_(std::move(action)) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Run(); });
}

void TPacedAction::Request() {
    if (timer_.isActive())
        return;
    const qint64 since = lastRun_.isValid() ? lastRun_.elapsed() : periodMs_;
    if (since >= periodMs_)
        Run();
    else
        timer_.start(int(periodMs_ - since));
}

void TPacedAction::Run() {
    lastRun_.restart();
    action_();
}
