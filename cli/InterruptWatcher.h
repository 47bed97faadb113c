#pragma once
// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed, an SSH session dropped) into a Qt signal
// on the event thread, so each ends a run with a clean disconnect and its file written. The signal
// handler only writes one byte into a pipe (the one thing that is safe there); a socket notifier on
// the pipe's other end raises Interrupted in the event loop. One watcher at a time; the previous
// handlers come back when it is destroyed.

#include <QObject>
#include <csignal>

class QSocketNotifier;

class TInterruptWatcher : public QObject {
    Q_OBJECT
public:
    explicit TInterruptWatcher(QObject* parent = nullptr);
    ~TInterruptWatcher() override;
    TInterruptWatcher(const TInterruptWatcher&) = delete;
    TInterruptWatcher& operator=(const TInterruptWatcher&) = delete;

    bool IsActive() const { return notifier_ != nullptr; }

signals:
    void Interrupted(int signalNumber);

private:
    void Drain();

    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldHup_ {};
};
