#pragma once
// An action that runs at most once per period, for views that follow data arriving faster than
// anybody can look: a request runs it at once when its last run is a period old, else once the
// period is over; the requests in between fold into that one run. Event thread only.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

class TPacedAction {
public:
    TPacedAction(int periodMs, std::function<void()> action);

    void Request();
    // A run is waiting for the period to end.
    bool Waiting() const { return timer_.isActive(); }

private:
    void Run();

    const int periodMs_;
    const std::function<void()> action_;
    QTimer timer_;
    QElapsedTimer lastRun_;
};
